#include "ui/VireonFeederApp.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "presentation/panel/PanelPlacement.h"
#include "ui/AppLifecycle.h"
#include "ui/WindowRouter.h"
#include "ui/panel/MenuContentView.h"
#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelWindow.h"
#include "ui/tray/TrayIcon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vireon {

namespace {
constexpr int trayWatchIntervalMs = 5000;

// Where the pointer is, when the platform says. Wayland keeps it from clients: Qt then answers with
// the last place the pointer had over one of our own windows, which says nothing about the tray.
std::optional<QPoint> pointerPosition()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return std::nullopt;
    return QCursor::pos();
}
} // namespace

VireonFeederApp::VireonFeederApp(ViewFactory onboarding, ViewFactory settings, AppEnvironment environment,
                                 std::function<bool()> trayAvailable, QObject* parent)
    : QObject(parent), m_state(std::make_unique<AppState>(nullptr, nullptr, std::move(environment))),
      m_trayAvailable(trayAvailable ? std::move(trayAvailable) : &QSystemTrayIcon::isSystemTrayAvailable)
{
    auto bind = [this](ViewFactory factory) {
        return [this, factory = std::move(factory)](QWidget* window) { return factory(*m_state, window); };
    };
    m_router = std::make_unique<WindowRouter>(bind(std::move(onboarding)), bind(std::move(settings)));
    m_actions = std::make_unique<PanelActions>(
        *m_state,
        ShellServices{[this] { m_router->showOnboarding(); }, [this] { m_router->showSettings(); }, {}, {}});

    m_hasTray = m_trayAvailable();
    // Made even without a tray: started at login, the application may be up before the desktop's
    // tray is, and the icon then appears when the tray does.
    m_tray = std::make_unique<TrayIcon>(*m_state, *m_actions);
    connect(m_tray.get(), &TrayIcon::panelToggleRequested, this, &VireonFeederApp::togglePanel);
    connect(m_state.get(), &AppState::panelRequested, this, &VireonFeederApp::showPanel);
    connect(m_tray.get(), &TrayIcon::actionProblem, this, [this](const QString& text) {
        showPanel();
        panel().content()->showActionProblem(text);
    });
    if (!m_hasTray) {
        m_trayWatch = new QTimer(this);
        m_trayWatch->setInterval(trayWatchIntervalMs);
        connect(m_trayWatch, &QTimer::timeout, this, &VireonFeederApp::checkForTray);
        m_trayWatch->start();
    }

    m_lifecycle = std::make_unique<AppLifecycle>(*m_state, *m_router);
    if (QCoreApplication::instance()) {
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                [this] { m_lifecycle->aboutToQuit(); });
    }
}

VireonFeederApp::~VireonFeederApp()
{
    // Also when the object goes without the event loop having quit (a test, an early exit).
    m_lifecycle->aboutToQuit();
}

void VireonFeederApp::start()
{
    m_tray->show();
    if (!m_hasTray)
        showPanel(); // nothing else on screen would say that the application runs
    QTimer::singleShot(0, this, [this] { m_lifecycle->launched(); });
}

void VireonFeederApp::checkForTray()
{
    if (m_hasTray || !m_trayAvailable())
        return;
    m_hasTray = true;
    m_trayWatch->stop();
    // The stand-in window refuses to close; it is put away and the next opening drops down.
    if (m_panel) {
        m_panel->hide();
        m_panel.release()->deleteLater();
    }
}

void VireonFeederApp::showYourself()
{
    checkForTray();
    if (!m_state->settings().hasCompletedOnboarding())
        m_router->showOnboarding();
    else
        showPanel();
}

PanelWindow& VireonFeederApp::panel()
{
    // Built when first opened: most sessions never open it, and the tray icon comes up sooner.
    if (!m_panel) {
        m_panel = std::make_unique<PanelWindow>(
            *m_state, *m_actions, m_hasTray ? PanelWindow::Mode::dropDown : PanelWindow::Mode::window);
    }
    return *m_panel;
}

void VireonFeederApp::showPanel()
{
    checkForTray();
    PanelWindow& panel = this->panel();
    if (panel.mode() == PanelWindow::Mode::dropDown) {
        QList<ScreenArea> screens;
        for (const QScreen* screen : QGuiApplication::screens()) {
            const ScreenArea area{screen->geometry(), screen->availableGeometry()};
            if (screen == QGuiApplication::primaryScreen())
                screens.prepend(area);
            else
                screens.append(area);
        }
        panel.adjustSize();
        panel.move(panelPosition(panel.size(), m_tray->geometry(), pointerPosition(), screens));
    }
    panel.show();
    panel.raise();
    panel.activateWindow();
}

void VireonFeederApp::togglePanel()
{
    checkForTray();
    PanelWindow& panel = this->panel();
    switch (trayClickOutcome(panel.isVisible(), panel.msSinceFocusLossClose())) {
    case TrayClickOutcome::openPanel:
        showPanel();
        break;
    case TrayClickOutcome::closePanel:
        panel.hide();
        break;
    case TrayClickOutcome::ignore:
        break;
    }
}

} // namespace vireon
