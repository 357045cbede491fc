#include "platform/ClockSync.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace vireon {

ClockSync::ClockSync(QDBusConnection bus, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_timeout(timeout)
{}

std::unique_ptr<ClockSync> ClockSync::desktop()
{
    return std::make_unique<ClockSync>(QDBusConnection::systemBus());
}

void ClockSync::refresh()
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.timedate1") << QStringLiteral("NTPSynchronized");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(m_timeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        std::optional<bool> answer;
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
            const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
            if (value.typeId() == QMetaType::Bool)
                answer = value.toBool();
        }
        setSynchronised(answer);
    });
}

void ClockSync::setSynchronised(std::optional<bool> value)
{
    if (m_synchronised == value)
        return;
    m_synchronised = value;
    Q_EMIT changed();
}

} // namespace vireon
