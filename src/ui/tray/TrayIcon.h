#pragma once

#include "app/StatusIcon.h"
#include "presentation/tray/TrayModel.h"

#include <QIcon>
#include <QLoggingCategory>
#include <QObject>
#include <array>
#include <memory>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace vireon {

class AppState;
class PanelActions;

Q_DECLARE_LOGGING_CATEGORY(lcTray)

// The application's permanent presence: the antenna icon in the state's colour with the status line
// as its tooltip, and a context menu that mirrors the panel. Some tray hosts (GNOME's AppIndicator
// extension) turn every click into that menu, so it carries everything the panel offers.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(AppState& state, PanelActions& actions, QObject* parent = nullptr);
    ~TrayIcon() override;

    void show();
    // Where the icon is on screen; empty when the tray does not say (StatusNotifierItem hosts).
    QRect geometry() const;
    QMenu* contextMenu() const { return m_menu.get(); }
    QSystemTrayIcon& systemTrayIcon() const { return *m_tray; }
    // How often the icon image was replaced; only a new icon state replaces it.
    int redraws() const { return m_redraws; }

Q_SIGNALS:
    // A left click (or a middle click): the shell opens or closes the panel.
    void panelToggleRequested();
    // An action chosen from the menu could not be carried out; the panel should say why.
    void actionProblem(const QString& text);

private:
    void refresh();
    void showMenu(const QList<TrayModel::Entry>& entries);
    void rebuildMenu(const QList<TrayModel::Entry>& entries);
    const QIcon& iconFor(StatusIcon::State state);

    AppState& m_state;
    PanelActions& m_actions;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_tray;
    std::array<std::optional<QIcon>, 4> m_icons;
    std::optional<StatusIcon::State> m_shownState;
    QString m_shownToolTip;
    QList<TrayModel::Entry> m_menuEntries;
    int m_redraws = 0;
};

} // namespace vireon
