#include "ui/panel/PanelActions.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/Diagnostics.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>

namespace vireon {

PanelActions::PanelActions(AppState& state, ShellServices services)
    : m_state(state), m_services(std::move(services))
{
    if (!m_services.quit) {
        // Queued, so the click that asked for it finishes before aboutToQuit shuts the feed down.
        m_services.quit = [] {
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        };
    }
    if (!m_services.openUrl)
        m_services.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

PanelActionOutcome PanelActions::trigger(PanelAction action)
{
    switch (action) {
    case PanelAction::retry:
        m_state.retry();
        break;
    case PanelAction::copyDiagnostics:
        copyDiagnostics();
        return PanelActionOutcome::copied;
    case PanelAction::startStop:
        startStop();
        break;
    case PanelAction::openLiveMap:
        return open(m_state.remoteConfig().links ? m_state.remoteConfig().links->liveMap : std::nullopt);
    case PanelAction::openFeederPage:
        return open(m_state.remoteConfig().links ? m_state.remoteConfig().links->feederPage : std::nullopt);
    case PanelAction::settings:
        if (m_services.showSettings)
            m_services.showSettings();
        return PanelActionOutcome::closePanel;
    case PanelAction::quit:
        m_services.quit();
        break;
    }
    return PanelActionOutcome::stayOpen;
}

void PanelActions::startStop()
{
    switch (
        startStopOutcome(m_state.isFeedingOrAwaitingStick(), m_state.settings().hasCompletedOnboarding())) {
    case StartStopOutcome::stopFeeding:
        m_state.stopFeeding();
        break;
    case StartStopOutcome::showOnboarding:
        if (m_services.showOnboarding)
            m_services.showOnboarding();
        break;
    case StartStopOutcome::startFeeding:
        m_state.startFeeding();
        break;
    }
}

void PanelActions::copyDiagnostics()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Diagnostics::report(m_state));
}

PanelActionOutcome PanelActions::open(const std::optional<QUrl>& url)
{
    // The link may have gone with a refreshed document between drawing and the click.
    if (!url || !url->isValid())
        return PanelActionOutcome::stayOpen;
    return m_services.openUrl(*url) ? PanelActionOutcome::closePanel : PanelActionOutcome::noBrowser;
}

} // namespace vireon
