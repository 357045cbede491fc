#include "platform/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace vireon {
namespace {

const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// Each notice lasts as the desktop's own notices do.
constexpr int serverDefaultExpiry = -1;

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_timeout(timeout)
{
    if (m_bus.isConnected()) {
        m_bus.connect(QString::fromLatin1(service), path, interface, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
    }
}

DesktopNotifier::~DesktopNotifier() = default;

std::unique_ptr<DesktopNotifier> DesktopNotifier::silent()
{
    // A connection by a name no bus was ever opened under is never connected.
    return std::make_unique<DesktopNotifier>(QDBusConnection(QStringLiteral("vireon-no-notifications")));
}

void DesktopNotifier::notify(const QString& summary, const QString& body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), path, interface,
                                                       QStringLiteral("Notify"));
    const QStringList actions{QStringLiteral("default"), QStringLiteral("Open Vireon Feeder")};
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("vireon-feeder")},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    call << QStringLiteral("Vireon Feeder") << uint(0) << QStringLiteral("vireon-feeder") << summary << body
         << actions << hints << serverDefaultExpiry;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(m_timeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        // No service, a refusal or no answer in time: the notice is lost, the feed goes on.
        if (reply.isValid())
            m_ids.insert(reply.value());
    });
}

void DesktopNotifier::actionInvoked(uint id, const QString& actionKey)
{
    if (m_ids.contains(id) && actionKey == QLatin1String("default"))
        Q_EMIT activated();
}

} // namespace vireon
