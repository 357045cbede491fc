#pragma once

#include "app/PositionCheck.h"
#include "app/StatusIcon.h"
#include "decoder/StickProblem.h"
#include "decoder/SupervisorState.h"
#include "network/FeederConfig.h"
#include "presentation/common/HearingModel.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace vireon {

class AppState;

// Everything the user can ask of the panel; the tray's context menu offers the same.
enum class PanelAction { retry, copyDiagnostics, startStop, openLiveMap, openFeederPage, settings, quit };

// What became of an action, for the panel to show: a link or a window took the user elsewhere, so
// the panel closes as a menu would; the browser could not be opened, which the panel says; the
// report is on the clipboard, which the button says for a moment.
enum class PanelActionOutcome { stayOpen, closePanel, noBrowser, copied };

// What the panel (and the context menu that mirrors it) shows for one reading of the state. The panel
// only lays this out, so which rows appear and what they say is decided here, free of widgets.
struct PanelModel {
    struct Button {
        PanelAction action = PanelAction::retry;
        QString label;
        bool operator==(const Button&) const = default;
    };

    struct Inputs {
        StatusIcon::State iconState = StatusIcon::State::idle;
        QString statusLine;
        SupervisorState supervisorState = supervisor_state::Stopped{};
        bool feedingActive = false;
        std::optional<FeederConfig::Links> links;
        // A cause of a stick failure the user can fix, named by the decoder's own lines.
        std::optional<StickProblem> stickProblem;
        // The stick is gone while the user wants to feed; feeding resumes by itself when it is back.
        bool awaitingStick = false;
        // What the station hears, while it feeds: the last minute's figures and the message rate,
        // one point per stats poll over the last hour.
        ReceiverFigures receiver;
        QList<double> rateHistory;
        std::optional<PositionCheck::Verdict> position;
    };

    StatusIcon::State iconState = StatusIcon::State::idle;
    QString statusLine;
    // Shown only after the supervisor gave up: why, and what may help.
    std::optional<QString> hintText;
    QList<Button> hintButtons;
    // Under the status: how well the station hears, with what the figures call for.
    HearingModel hearing;
    // The message rate to draw, oldest first; empty until there are two points to join.
    QList<double> rateHistory;
    // The points the rate's time axis holds (an hour of polls), so its newest point stays at the end.
    static int rateHistoryCapacity();
    std::optional<QString> positionWarning;
    QString startStopLabel;
    std::optional<QUrl> liveMap;
    std::optional<QUrl> feederPage;

    bool operator==(const PanelModel&) const = default;

    static PanelModel of(const AppState& state);
    static PanelModel make(const Inputs& in);

    static QString liveMapLabel();
    static QString feederPageLabel();
    static QString settingsLabel();
    static QString quitLabel();
    static QString noBrowserText();
    static QString noTrayText();
};

// What the start/stop button does right now. While the state waits for the stick to come back it
// stops: "Start Feeding" there would read as if nothing were going to happen.
enum class StartStopOutcome { stopFeeding, showOnboarding, startFeeding };
StartStopOutcome startStopOutcome(bool feedingOrAwaitingStick, bool onboardingCompleted);

} // namespace vireon
