#pragma once

#include "platform/IdleInhibitor.h"

#include <QDBusConnection>
#include <chrono>

namespace vireon {

// The desktop portal's inhibit request with the suspend flag: the session's power manager stops
// suspending on idle, while the user's own suspend and screen blanking stay as they are. The lock is
// the request object the portal hands back and lasts until that request is closed.
class PortalIdleInhibitor final : public IdleInhibitor {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{2000};

    explicit PortalIdleInhibitor(QDBusConnection bus, std::chrono::milliseconds timeout = defaultTimeout);
    ~PortalIdleInhibitor() override;

    void acquire(const QString& reason, Answer answer) override;
    void release() override;
    bool isHeld() const override { return !m_request.isEmpty(); }

private:
    void closeRequest(const QString& path);

    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeout;
    QString m_request;
    QString m_pendingToken; // of a request whose answer has not come yet
};

} // namespace vireon
