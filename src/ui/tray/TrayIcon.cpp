#include "ui/tray/TrayIcon.h"

#include "app/AppState.h"
#include "ui/common/WidgetText.h"
#include "ui/panel/PanelActions.h"
#include "ui/tray/StatusIconPainter.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <algorithm>

namespace vireon {

Q_LOGGING_CATEGORY(lcTray, "vireon.tray", QtWarningMsg)

TrayIcon::TrayIcon(AppState& state, PanelActions& actions, QObject* parent)
    : QObject(parent), m_state(state), m_actions(actions), m_menu(std::make_unique<QMenu>()),
      m_tray(new QSystemTrayIcon(this))
{
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    m_menu->setAccessibleName(QStringLiteral("Vireon Feeder"));
    m_tray->setContextMenu(m_menu.get());
    refresh();
    connect(&m_state, &AppState::changed, this, &TrayIcon::refresh);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick)
            Q_EMIT panelToggleRequested();
        // An XEmbed tray has shown the menu by now. A StatusNotifierItem host that draws menus itself
        // never asks; one that does not, asks here and gets nothing unless the menu is shown for it.
        if (reason == QSystemTrayIcon::Context && !m_menu->isVisible())
            m_menu->popup(QCursor::pos());
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
        cached = StatusIconPainter::icon(state);
    return *cached;
}

void TrayIcon::refresh()
{
    const TrayModel model = TrayModel::of(m_state);
    if (model.toolTip != m_shownToolTip) {
        m_shownToolTip = model.toolTip;
        m_tray->setToolTip(plainToolTip(model.toolTip));
    }
    // A new message rate changes the line, not the icon; on StatusNotifierItem hosts every new
    // icon travels over D-Bus as pixels.
    if (m_shownState != model.iconState) {
        m_shownState = model.iconState;
        m_tray->setIcon(iconFor(model.iconState));
        ++m_redraws;
        qCDebug(lcTray) << "icon redrawn:" << int(model.iconState) << model.toolTip;
    }
    if (model.menu != m_menuEntries)
        showMenu(model.menu);
}

namespace {

// Same entries, kinds and actions in the same places; only texts may differ.
bool sameShape(const QList<TrayModel::Entry>& a, const QList<TrayModel::Entry>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const TrayModel::Entry& x, const TrayModel::Entry& y) {
                          return x.separator == y.separator && x.action == y.action;
                      });
}

} // namespace

void TrayIcon::showMenu(const QList<TrayModel::Entry>& entries)
{
    // The status line in the first entry changes with every new message rate. Hosts that draw the
    // menu themselves (dbusmenu) know its entries by number, and a rebuilt menu numbers them anew:
    // a click on an entry of a menu opened a moment earlier would then do nothing. So a menu that
    // only reads differently keeps its entries and changes their texts.
    const QList<QAction*> items = m_menu->actions();
    if (!m_menuEntries.isEmpty() && sameShape(entries, m_menuEntries) && items.size() == entries.size()) {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (!entries.at(i).separator)
                items.at(i)->setText(literalWidgetText(entries.at(i).text));
        }
        m_menuEntries = entries;
        return;
    }
    rebuildMenu(entries);
}

void TrayIcon::rebuildMenu(const QList<TrayModel::Entry>& entries)
{
    m_menuEntries = entries;
    m_menu->clear();
    for (const TrayModel::Entry& entry : entries) {
        if (entry.separator) {
            m_menu->addSeparator();
            continue;
        }
        // Menu texts read "&" as a shortcut mark; the status line may quote a hand-edited name.
        QAction* item = m_menu->addAction(literalWidgetText(entry.text));
        if (!entry.action) {
            item->setEnabled(false);
            continue;
        }
        connect(item, &QAction::triggered, this, [this, action = *entry.action] {
            // A menu has nowhere to say what went wrong; the panel has.
            if (m_actions.trigger(action) == PanelActionOutcome::noBrowser)
                Q_EMIT actionProblem(PanelModel::noBrowserText());
        });
    }
}

} // namespace vireon
