#include "ui/AppDelegate.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/PanelContent.h"
#include "ui/WindowRouter.h"

namespace vireon {

AppDelegate::AppDelegate(AppState& state, WindowRouter& router) : m_state(state), m_router(router) {}

void AppDelegate::applicationDidFinishLaunching()
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

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    m_state.shutdown();
}

} // namespace vireon
