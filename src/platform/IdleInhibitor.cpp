#include "platform/IdleInhibitor.h"

#include "platform/IdleInhibitorChain.h"
#include "platform/LogindIdleInhibitor.h"
#include "platform/PortalIdleInhibitor.h"

#include <QDBusConnection>

namespace vireon {

std::unique_ptr<IdleInhibitor> IdleInhibitor::desktop(std::chrono::milliseconds timeout)
{
    // The portal speaks for the desktop session, whose own power manager is what suspends an idle
    // machine; logind only stands in where no portal runs (a bare window manager, a kiosk).
    std::vector<std::unique_ptr<IdleInhibitor>> candidates;
    candidates.push_back(std::make_unique<PortalIdleInhibitor>(QDBusConnection::sessionBus(), timeout));
    candidates.push_back(std::make_unique<LogindIdleInhibitor>(QDBusConnection::systemBus(), timeout));
    return std::make_unique<IdleInhibitorChain>(std::move(candidates));
}

} // namespace vireon
