#include "network/FeederConfigProvider.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>

namespace vireon {

FeederConfigProvider::FeederConfigProvider(QSettings& defaults, QNetworkAccessManager& network,
                                           QObject* parent)
    : QObject(parent), m_defaults(defaults), m_network(network), m_url(remoteUrl())
{}

FeederConfigProvider::~FeederConfigProvider()
{
    // Aborting emits finished() synchronously; cut our handlers off first so none of them runs
    // against a provider that is half destroyed.
    for (const QPointer<QNetworkReply>& reply : std::as_const(m_pending)) {
        if (!reply)
            continue;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

QUrl FeederConfigProvider::remoteUrl()
{
    static const QUrl url = [] {
        const QUrl parsed(QStringLiteral("https://feed.vireon.network/feeder-config.json"), QUrl::StrictMode);
        if (!parsed.isValid())
            qFatal("The feeder document's address is not a URL");
        return parsed;
    }();
    return url;
}

void FeederConfigProvider::setRemoteUrl(const QUrl& url)
{
    m_url = url;
}

void FeederConfigProvider::setTransferTimeout(std::chrono::milliseconds timeout)
{
    m_transferTimeout = timeout;
}

FeederConfig FeederConfigProvider::currentConfig() const
{
    const QVariant cached = m_defaults.value(QLatin1String(cacheKey));
    if (cached.isValid()) {
        if (std::optional<FeederConfig> config = FeederConfig::decode(cached.toByteArray()))
            return *config;
    }
    return FeederConfig::fallback();
}

void FeederConfigProvider::refresh(QObject* context, std::function<void(const FeederConfig&)> done)
{
    QNetworkRequest request(m_url);
    // An answer served from a local cache would hide a moved ingest endpoint, so always ask.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(static_cast<int>(m_transferTimeout.count()));

    QNetworkReply* reply = m_network.get(request);
    m_pending.append(reply);

    // Stops a runaway answer early; resultOf() still judges the size of what did arrive.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > maximumDocumentBytes || total > maximumDocumentBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, guarded = context != nullptr, context = QPointer<QObject>(context),
             done = std::move(done)] {
                m_pending.removeAll(reply);
                reply->deleteLater();
                const FeederConfig config = resultOf(*reply);
                if (guarded && !context)
                    return;
                if (done)
                    done(config);
            });
}

FeederConfig FeederConfigProvider::resultOf(QNetworkReply& reply)
{
    // A transfer error comes first: a 200 whose body was cut off must not reach the cache.
    if (reply.error() != QNetworkReply::NoError)
        return currentConfig();
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() != 200)
        return currentConfig();
    if (reply.bytesAvailable() > maximumDocumentBytes)
        return currentConfig();
    const QByteArray body = reply.readAll();
    const std::optional<FeederConfig> config = FeederConfig::decode(body);
    if (!config)
        return currentConfig();
    m_defaults.setValue(QLatin1String(cacheKey), body);
    return *config;
}

} // namespace vireon
