#pragma once

#include "presentation/panel/PanelModel.h"

#include <QUrl>
#include <functional>

namespace vireon {

class AppState;

// The desktop around the panel: the two windows, the browser and the end of the process.
struct ShellServices {
    std::function<void()> showOnboarding;
    std::function<void()> showSettings;
    std::function<void()> quit; // empty: the application's event loop quits
    // Whether the page could be handed to a browser. Empty: the default browser.
    std::function<bool(const QUrl&)> openUrl;
};

// Carries out what the panel and the tray's context menu ask for, the same way for both.
class PanelActions {
public:
    PanelActions(AppState& state, ShellServices services);

    PanelActionOutcome trigger(PanelAction action);

    AppState& state() const { return m_state; }

private:
    void startStop();
    void copyDiagnostics();
    PanelActionOutcome open(const std::optional<QUrl>& url);

    AppState& m_state;
    ShellServices m_services;
};

} // namespace vireon
