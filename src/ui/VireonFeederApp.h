#pragma once

#include "app/AppEnvironment.h"

#include <QObject>
#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace vireon {

class AppLifecycle;
class AppState;
class PanelActions;
class PanelWindow;
class TrayIcon;
class WindowRouter;

// The running application: the one AppState, the tray icon with its panel (or, on a desktop without
// a tray, the panel as a window), the two auxiliary windows and the launch and quit decisions.
class VireonFeederApp : public QObject {
    Q_OBJECT
public:
    // Builds a window's content for the one state; `window` becomes its parent.
    using ViewFactory = std::function<QWidget*(AppState& state, QWidget* window)>;

    // trayAvailable: whether the desktop shows tray icons now; empty asks Qt.
    VireonFeederApp(ViewFactory onboarding, ViewFactory settings, AppEnvironment environment = {},
                    std::function<bool()> trayAvailable = {}, QObject* parent = nullptr);
    ~VireonFeederApp() override;

    // Shows the icon, and once the event loop runs, takes the launch decision.
    void start();

    // Another launch asked for us: the onboarding window while it is unfinished, otherwise the panel.
    void showYourself();
    void showPanel();
    void togglePanel();
    // A desktop that had no tray at start may get one later (started at login before the desktop's
    // tray was up): from then on the panel drops down from the icon and the stand-in window goes.
    // Asked on every activation and every 5 seconds until a tray is found.
    void checkForTray();

    AppState& state() const { return *m_state; }
    WindowRouter& router() const { return *m_router; }
    PanelWindow& panel();
    TrayIcon& trayIcon() const { return *m_tray; }
    // Whether a system tray was there at start; without one the panel is an ordinary window.
    bool hasTray() const { return m_hasTray; }

private:
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<WindowRouter> m_router;
    std::unique_ptr<PanelActions> m_actions;
    std::unique_ptr<PanelWindow> m_panel;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<AppLifecycle> m_lifecycle;
    std::function<bool()> m_trayAvailable;
    QTimer* m_trayWatch = nullptr;
    bool m_hasTray = false;
};

} // namespace vireon
