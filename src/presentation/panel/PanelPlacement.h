#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace vireon {

// Where the panel's top-left corner goes: under (or over, or beside) the tray icon when the tray
// tells where the icon is, otherwise at the pointer, and always wholly inside the screen's available
// area so no part of it hides under a desktop panel or off the edge.
QPoint panelPosition(QSize panel, std::optional<QRect> trayIcon, QPoint cursor, QRect available);

// The time after the panel closed on losing focus during which a click on the tray icon is taken to
// be the click that took the focus, and so must not open the panel again.
inline constexpr qint64 focusLossClickWindowMs = 400;

enum class TrayClickOutcome { openPanel, closePanel, ignore };

// What a left click on the tray icon does. msSinceFocusLossClose: how long ago the panel last
// closed because it lost focus, if it ever did.
TrayClickOutcome trayClickOutcome(bool panelVisible, std::optional<qint64> msSinceFocusLossClose);

} // namespace vireon
