#include "platform/LogindIdleInhibitor.h"

#include <QDBusMessage>

namespace vireon {

LogindIdleInhibitor::LogindIdleInhibitor(QDBusConnection bus, std::chrono::milliseconds timeout)
    : m_bus(std::move(bus)), m_timeout(timeout)
{}

LogindIdleInhibitor::~LogindIdleInhibitor()
{
    release();
}

bool LogindIdleInhibitor::acquire(const QString& reason)
{
    if (isHeld())
        return true;
    if (!m_bus.isConnected())
        return false;

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QStringLiteral("Vireon Feeder") << reason << QStringLiteral("block");
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, int(m_timeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return false;
    const auto descriptor = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
    if (!descriptor.isValid())
        return false;
    m_lock = descriptor;
    return true;
}

void LogindIdleInhibitor::release()
{
    // Dropping the last copy closes the descriptor, which is what ends the lock.
    m_lock = QDBusUnixFileDescriptor();
}

} // namespace vireon
