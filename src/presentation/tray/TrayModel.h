#pragma once

#include "app/StatusIcon.h"
#include "presentation/panel/PanelModel.h"

#include <QList>
#include <QString>
#include <optional>

namespace vireon {

class AppState;

// The tray icon and its context menu for one reading of the state. Some tray hosts (GNOME's
// AppIndicator extension) turn every click into the menu, so it carries everything the panel offers,
// in the panel's order: the status line (not clickable), the remedies, start or stop, the links,
// settings and quit.
struct TrayModel {
    struct Entry {
        QString text;
        // Absent for the status line, which only informs; a separator has neither text nor action.
        std::optional<PanelAction> action;
        bool separator = false;
        bool operator==(const Entry&) const = default;
    };

    StatusIcon::State iconState = StatusIcon::State::idle;
    QString toolTip;
    QList<Entry> menu;

    bool operator==(const TrayModel&) const = default;

    static TrayModel of(const AppState& state);
    static TrayModel make(const PanelModel& panel);
};

} // namespace vireon
