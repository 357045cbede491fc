#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace vireon {

// One screen as the panel's placement sees it: all of it, and the part desktop panels leave free.
struct ScreenArea {
    QRect geometry;
    QRect available;
    bool operator==(const ScreenArea&) const = default;
};

// Where the panel's top-left corner goes. Under (or over, or beside) the tray icon when the tray
// tells where the icon is (XEmbed trays on X11); otherwise at the pointer, where the platform tells
// where that is (X11 does, also for StatusNotifierItem hosts, which give no icon geometry); otherwise
// (Wayland tells neither) in the top-right corner of the primary screen's free area, where most
// desktops keep their tray. Always on the screen the icon or pointer is on, wholly inside its
// available area, so no part of the panel hides under a desktop panel or off the edge.
// screens: the primary screen first; none gives the origin.
QPoint panelPosition(QSize panel, std::optional<QRect> trayIcon, std::optional<QPoint> cursor,
                     const QList<ScreenArea>& screens);

// The time after the panel closed on losing focus during which a click on the tray icon is taken to
// be the click that took the focus, and so must not open the panel again.
inline constexpr qint64 focusLossClickWindowMs = 400;

enum class TrayClickOutcome { openPanel, closePanel, ignore };

// What a left click on the tray icon does. msSinceFocusLossClose: how long ago the panel last
// closed because it lost focus, if it ever did.
TrayClickOutcome trayClickOutcome(bool panelVisible, std::optional<qint64> msSinceFocusLossClose);

} // namespace vireon
