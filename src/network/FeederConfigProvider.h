#pragma once

#include "network/FeederConfig.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QSettings;

namespace vireon {

// Hands out the primary network's feeder document: the freshly downloaded one, else the last good
// download kept in the user defaults, else the built-in fallback. Nothing here ever fails or waits
// on the network for currentConfig(); a failed refresh only shows in which of the three comes back.
class FeederConfigProvider : public QObject {
    Q_OBJECT
public:
    // The user-defaults key holding the raw bytes of the last good download.
    static constexpr const char* cacheKey = "cachedFeederConfig";
    // Larger answers are cut off and treated as a failed download; the real document is a few KiB.
    static constexpr qint64 maximumDocumentBytes = 1024 * 1024;

    FeederConfigProvider(QSettings& defaults, QNetworkAccessManager& network, QObject* parent = nullptr);
    ~FeederConfigProvider() override;

    static QUrl remoteUrl();
    void setRemoteUrl(const QUrl& url);
    void setTransferTimeout(std::chrono::milliseconds timeout);

    // Decodes the cached bytes afresh on every call; an undecodable cache is left alone and
    // yields the fallback until a download replaces it.
    FeederConfig currentConfig() const;

    // Downloads the document, caches it when it decodes, and hands the result to `done` from the
    // event loop (never from inside this call). `done` is dropped when `context` is destroyed
    // first; a null context means no such guard. Destroying the provider cancels pending
    // refreshes without calling `done`. Concurrent refreshes are fine: the last good answer to
    // arrive is the one cached.
    void refresh(QObject* context, std::function<void(const FeederConfig&)> done);

private:
    FeederConfig resultOf(QNetworkReply& reply);

    QSettings& m_defaults;
    QNetworkAccessManager& m_network;
    QUrl m_url;
    std::chrono::milliseconds m_transferTimeout{10000};
    QList<QPointer<QNetworkReply>> m_pending;
};

} // namespace vireon
