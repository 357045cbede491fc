#include "ui/AppLifecycle.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "presentation/LaunchDecision.h"
#include "ui/WindowRouter.h"

namespace vireon {

AppLifecycle::AppLifecycle(AppState& state, WindowRouter& router) : m_state(state), m_router(router) {}

void AppLifecycle::launched()
{
    const AppSettings& settings = m_state.settings();
    switch (launchDecision(settings.hasCompletedOnboarding(), settings.feedingDesired())) {
    case LaunchDecision::showOnboarding:
        m_router.showOnboarding();
        break;
    case LaunchDecision::startFeeding:
        // Re-reads config.json, so edits made while the application was closed count.
        m_state.startFeeding();
        break;
    case LaunchDecision::stayIdle:
        break;
    }
}

void AppLifecycle::aboutToQuit()
{
    if (m_quit)
        return;
    m_quit = true;
    m_state.shutdown();
}

} // namespace vireon
