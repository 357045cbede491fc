#include "ui/tray/TrayIcon.h"

#include "app/AppState.h"
#include "ui/common/WidgetText.h"
#include "ui/panel/PanelActions.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace vireon {

Q_LOGGING_CATEGORY(lcTray, "vireon.tray", QtWarningMsg)

TrayIcon::TrayIcon(AppState& state, PanelActions& actions, QObject* parent)
    : QObject(parent), m_state(state), m_actions(actions), m_menu(std::make_unique<QMenu>()),
      m_tray(new QSystemTrayIcon(this))
{
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    m_menu->setAccessibleName(QStringLiteral("Vireon Feeder"));
    m_tray->setContextMenu(m_menu.get());
    present(m_state.iconState(), m_state.statusLine());
    rebuildMenuIfChanged();

    connect(&m_state, &AppState::presentationChanged, this, &TrayIcon::present);
    connect(&m_state, &AppState::changed, this, &TrayIcon::rebuildMenuIfChanged);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick)
            Q_EMIT panelToggleRequested();
    });
}

TrayIcon::~TrayIcon()
{
    // Before the menu it refers to goes.
    delete m_tray;
}

void TrayIcon::show()
{
    m_tray->show();
}

QRect TrayIcon::geometry() const
{
    return m_tray->geometry();
}

const QIcon& TrayIcon::iconFor(StatusIcon::State state)
{
    auto& cached = m_icons[static_cast<std::size_t>(state)];
    if (!cached)
        cached = StatusIcon::icon(state);
    return *cached;
}

void TrayIcon::present(StatusIcon::State state, const QString& statusLine)
{
    m_tray->setToolTip(plainToolTip(statusLine));
    // A new message rate changes the line, not the icon; on StatusNotifierItem hosts every new
    // icon travels over D-Bus as pixels.
    if (m_shownState == state)
        return;
    m_shownState = state;
    m_tray->setIcon(iconFor(state));
    ++m_redraws;
    qCDebug(lcTray) << "icon redrawn:" << int(state) << statusLine;
}

void TrayIcon::rebuildMenuIfChanged()
{
    const PanelContent content = PanelContent::of(m_state);
    if (m_menuContent == content)
        return;
    m_menuContent = content;

    m_menu->clear();
    auto add = [this](const QString& text, PanelAction action) {
        QAction* item = m_menu->addAction(text);
        connect(item, &QAction::triggered, this, [this, action] {
            // A menu has nowhere to say what went wrong; the panel has.
            if (m_actions.trigger(action) == PanelActionOutcome::noBrowser)
                Q_EMIT actionProblem(PanelContent::noBrowserText());
        });
        return item;
    };
    // Menu texts read "&" as a shortcut mark; the status line may quote a hand-edited name.
    m_menu->addAction(literalWidgetText(content.statusLine))->setEnabled(false);
    for (const PanelContent::Button& button : content.hintButtons)
        add(button.label, button.action);
    m_menu->addSeparator();
    add(content.startStopLabel, PanelAction::startStop);
    if (content.liveMap)
        add(PanelContent::liveMapLabel(), PanelAction::openLiveMap);
    if (content.feederPage)
        add(PanelContent::feederPageLabel(), PanelAction::openFeederPage);
    m_menu->addSeparator();
    add(PanelContent::settingsLabel(), PanelAction::settings);
    add(PanelContent::quitLabel(), PanelAction::quit);
}

} // namespace vireon
