#include "platform/PortalIdleInhibitor.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>
#include <atomic>

namespace vireon {
namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString inhibitInterface = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
constexpr uint suspendFlag = 4;

QString nextHandleToken()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("vireon_feeder_%1").arg(++counter);
}

// Where the portal puts the request for a given token, fixed by the portal's interface so callers can
// find a request whose reply never reached them.
QString requestPathFor(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

} // namespace

PortalIdleInhibitor::PortalIdleInhibitor(QDBusConnection bus, std::chrono::milliseconds timeout)
    : m_bus(std::move(bus)), m_timeout(timeout)
{}

PortalIdleInhibitor::~PortalIdleInhibitor()
{
    release();
    // Its answer will reach nobody, so a lock it may yet grant is closed where the portal keeps it.
    if (!m_pendingToken.isEmpty())
        closeRequest(requestPathFor(m_bus, m_pendingToken));
}

void PortalIdleInhibitor::acquire(const QString& reason, Answer answer)
{
    if (isHeld()) {
        answer(true);
        return;
    }
    if (!m_bus.isConnected()) {
        answer(false);
        return;
    }

    const QString token = nextHandleToken();
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, inhibitInterface,
                                                       QStringLiteral("Inhibit"));
    const QVariantMap options{{QStringLiteral("reason"), reason}, {QStringLiteral("handle_token"), token}};
    call << QString() << suspendFlag << options;
    m_pendingToken = token;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(m_timeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, token, answer] {
        watcher->deleteLater();
        m_pendingToken.clear();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
            const auto path = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
            if (!path.isEmpty()) {
                m_request = path;
                answer(true);
                return;
            }
        }
        // A portal that answered too late may still have granted the lock; without this it would
        // stay held, unseen, for as long as the application runs.
        if (reply.type() == QDBusMessage::ErrorMessage &&
            (reply.errorName() == QDBusError::errorString(QDBusError::NoReply) ||
             reply.errorName() == QDBusError::errorString(QDBusError::Timeout) ||
             reply.errorName() == QDBusError::errorString(QDBusError::TimedOut)))
            closeRequest(requestPathFor(m_bus, token));
        answer(false);
    });
}

void PortalIdleInhibitor::release()
{
    if (!isHeld())
        return;
    const QString request = std::exchange(m_request, QString());
    closeRequest(request);
}

void PortalIdleInhibitor::closeRequest(const QString& path)
{
    // Sent without waiting: the portal drops the lock when it reads the message.
    m_bus.send(
        QDBusMessage::createMethodCall(portalService, path, requestInterface, QStringLiteral("Close")));
}

} // namespace vireon
