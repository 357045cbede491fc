#include "platform/LogindIdleInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace vireon {

LogindIdleInhibitor::LogindIdleInhibitor(QDBusConnection bus, std::chrono::milliseconds timeout)
    : m_bus(std::move(bus)), m_timeout(timeout)
{}

LogindIdleInhibitor::~LogindIdleInhibitor()
{
    release();
}

void LogindIdleInhibitor::acquire(const QString& reason, Answer answer)
{
    if (isHeld()) {
        answer(true);
        return;
    }
    if (!m_bus.isConnected()) {
        answer(false);
        return;
    }

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QStringLiteral("Vireon Feeder") << reason << QStringLiteral("block");
    // A lock granted after this inhibitor is gone dies with the reply: nobody keeps its descriptor.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(m_timeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, answer] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
            const auto descriptor = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
            if (descriptor.isValid())
                m_lock = descriptor;
        }
        answer(isHeld());
    });
}

void LogindIdleInhibitor::release()
{
    // Dropping the last copy closes the descriptor, which is what ends the lock.
    m_lock = QDBusUnixFileDescriptor();
}

} // namespace vireon
