#include "presentation/panel/PanelModel.h"

#include "app/AppState.h"
#include "decoder/ReadsbSupervisor.h"
#include "stats/StatsReader.h"

namespace vireon {
namespace {

const QString retryLabel = QStringLiteral("Retry");

void addHint(PanelModel& model, SupervisorFailure failure)
{
    using Button = PanelModel::Button;
    switch (failure) {
    case SupervisorFailure::binaryMissing:
        model.hintText =
            QStringLiteral("readsb was not found beside Vireon Feeder or on the PATH \u2014 reinstall "
                           "Vireon Feeder.");
        break;
    case SupervisorFailure::deviceBusy:
        model.hintText =
            QStringLiteral("Another SDR app is holding the stick. Quit SDR++, CubicSDR or GQRX, then retry.");
        model.hintButtons = {Button{PanelAction::retry, retryLabel}};
        break;
    case SupervisorFailure::noDevice:
        model.hintText = QStringLiteral("Plug in your RTL-SDR stick \u2014 feeding resumes automatically.");
        model.hintButtons = {Button{PanelAction::retry, QStringLiteral("Retry Now")}};
        break;
    case SupervisorFailure::crashLoop:
        model.hintText =
            QStringLiteral("The decoder crashed repeatedly. Copy diagnostics and report the problem.");
        model.hintButtons = {Button{PanelAction::copyDiagnostics, QStringLiteral("Copy Diagnostics")},
                             Button{PanelAction::retry, retryLabel}};
        break;
    }
}

} // namespace

PanelModel PanelModel::make(const Inputs& in)
{
    PanelModel model;
    model.iconState = in.iconState;
    model.statusLine = in.statusLine;
    if (const auto* failed = std::get_if<supervisor_state::Failed>(&in.supervisorState)) {
        addHint(model, failed->failure);
        // A named cause beats the generic guess, which would send the user looking in the wrong place.
        const bool stickFailure = failed->failure == SupervisorFailure::deviceBusy ||
                                  failed->failure == SupervisorFailure::noDevice;
        if (stickFailure && in.stickProblem)
            model.hintText = StickProblems::hint(*in.stickProblem);
    }
    if (in.feedingActive) {
        model.hearing = HearingModel::make(in.receiver);
        if (in.rateHistory.size() >= 2)
            model.rateHistory = in.rateHistory;
        if (in.position)
            model.positionWarning = PositionCheck::warning(*in.position);
    }
    model.startStopLabel = in.feedingActive || in.awaitingStick ? QStringLiteral("Stop Feeding")
                                                                : QStringLiteral("Start Feeding");
    if (in.links) {
        model.liveMap = in.links->liveMap;
        model.feederPage = in.links->feederPage;
    }
    return model;
}

int PanelModel::rateHistoryCapacity()
{
    return int(StatsReader::historyLength);
}

PanelModel PanelModel::of(const AppState& state)
{
    const StatusPresentation::Shown shown = state.presentation();
    return make(Inputs{shown.iconState, shown.statusLine, state.supervisor().state(), state.isFeedingActive(),
                       state.remoteConfig().links, state.supervisor().stickProblem(),
                       state.isDeviceRecoveryPolling(), state.stats().snapshot().receiver,
                       state.stats().rateHistory(), state.positionVerdict()});
}

QString PanelModel::liveMapLabel()
{
    return QStringLiteral("Open Vireon Live Map");
}

QString PanelModel::feederPageLabel()
{
    return QStringLiteral("My Feeder Page");
}

QString PanelModel::settingsLabel()
{
    return QStringLiteral("Settings\u2026");
}

QString PanelModel::quitLabel()
{
    return QStringLiteral("Quit Vireon Feeder");
}

QString PanelModel::noBrowserText()
{
    return QStringLiteral("No web browser could be opened.");
}

QString PanelModel::noTrayText()
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

} // namespace vireon
