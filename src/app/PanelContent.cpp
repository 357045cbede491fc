#include "app/PanelContent.h"

#include "app/AppState.h"
#include "decoder/ReadsbSupervisor.h"

namespace vireon {
namespace {

const QString retryLabel = QStringLiteral("Retry");

void addHint(PanelContent& content, SupervisorFailure failure)
{
    using Button = PanelContent::Button;
    switch (failure) {
    case SupervisorFailure::binaryMissing:
        content.hintText =
            QStringLiteral("readsb was not found beside Vireon Feeder or on the PATH \u2014 reinstall "
                           "Vireon Feeder.");
        break;
    case SupervisorFailure::deviceBusy:
        content.hintText =
            QStringLiteral("Another SDR app is holding the stick. Quit SDR++, CubicSDR or GQRX, then retry.");
        content.hintButtons = {Button{PanelAction::retry, retryLabel}};
        break;
    case SupervisorFailure::noDevice:
        content.hintText = QStringLiteral("Plug in your RTL-SDR stick \u2014 feeding resumes automatically.");
        content.hintButtons = {Button{PanelAction::retry, QStringLiteral("Retry Now")}};
        break;
    case SupervisorFailure::crashLoop:
        content.hintText =
            QStringLiteral("The decoder crashed repeatedly. Copy diagnostics and report the problem.");
        content.hintButtons = {Button{PanelAction::copyDiagnostics, QStringLiteral("Copy Diagnostics")},
                               Button{PanelAction::retry, retryLabel}};
        break;
    }
}

} // namespace

PanelContent PanelContent::make(const Inputs& in)
{
    PanelContent content;
    content.iconState = in.iconState;
    content.statusLine = in.statusLine;
    if (const auto* failed = std::get_if<supervisor_state::Failed>(&in.supervisorState)) {
        addHint(content, failed->failure);
        // A named cause beats the generic guess, which would send the user looking in the wrong place.
        const bool stickFailure = failed->failure == SupervisorFailure::deviceBusy ||
                                  failed->failure == SupervisorFailure::noDevice;
        if (stickFailure && in.stickProblem)
            content.hintText = StickProblems::hint(*in.stickProblem);
    }
    content.startStopLabel = in.feedingActive || in.awaitingStick ? QStringLiteral("Stop Feeding")
                                                                  : QStringLiteral("Start Feeding");
    if (in.links) {
        content.liveMap = in.links->liveMap;
        content.feederPage = in.links->feederPage;
    }
    return content;
}

PanelContent PanelContent::of(const AppState& state)
{
    return make(Inputs{state.iconState(), state.statusLine(), state.supervisor().state(),
                       state.isFeedingActive(), state.config().links, state.supervisor().stickProblem(),
                       state.isDeviceRecoveryPolling()});
}

QString PanelContent::liveMapLabel()
{
    return QStringLiteral("Open Vireon Live Map");
}

QString PanelContent::feederPageLabel()
{
    return QStringLiteral("My Feeder Page");
}

QString PanelContent::settingsLabel()
{
    return QStringLiteral("Settings\u2026");
}

QString PanelContent::quitLabel()
{
    return QStringLiteral("Quit Vireon Feeder");
}

QString PanelContent::noBrowserText()
{
    return QStringLiteral("No web browser could be opened.");
}

QString PanelContent::noTrayText()
{
    return QStringLiteral("This desktop shows no tray icons, so Vireon Feeder lives in this window. Closing "
                          "it minimises it; feeding goes on.");
}

StartStopOutcome startStopOutcome(bool feedingOrAwaitingStick, bool onboardingCompleted)
{
    if (feedingOrAwaitingStick)
        return StartStopOutcome::stopFeeding;
    return onboardingCompleted ? StartStopOutcome::startFeeding : StartStopOutcome::showOnboarding;
}

LaunchDecision launchDecision(bool onboardingCompleted, bool feedingDesired)
{
    // A feedingDesired left over from an earlier install must not start a decoder before the user
    // has been through onboarding.
    if (!onboardingCompleted)
        return LaunchDecision::showOnboarding;
    return feedingDesired ? LaunchDecision::startFeeding : LaunchDecision::stayIdle;
}

} // namespace vireon
