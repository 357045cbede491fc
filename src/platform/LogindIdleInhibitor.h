#pragma once

#include "platform/IdleInhibitor.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <chrono>

namespace vireon {

// logind's "idle" inhibitor in block mode. It keeps the session from being counted as idle, so the
// idle action (suspend, when so configured) does not fire, and it leaves explicit suspend requests
// alone; logind's "sleep" lock would refuse the user's own suspend as well. The lock is the file
// descriptor logind hands back and lasts until that descriptor is closed.
class LogindIdleInhibitor final : public IdleInhibitor {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{2000};

    explicit LogindIdleInhibitor(QDBusConnection bus, std::chrono::milliseconds timeout = defaultTimeout);
    ~LogindIdleInhibitor() override;

    void acquire(const QString& reason, Answer answer) override;
    void release() override;
    bool isHeld() const override { return m_lock.isValid(); }

private:
    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeout;
    QDBusUnixFileDescriptor m_lock;
};

} // namespace vireon
