#include "presentation/panel/PanelPlacement.h"

#include <algorithm>

namespace vireon {
namespace {

constexpr int gap = 4;

// Start of a span of `length` placed at `wanted` and kept within [low, high]; a span longer than the
// range starts at `low`, so its beginning (the status header) stays visible.
int clampSpan(int wanted, int length, int low, int high)
{
    return std::max(low, std::min(wanted, high - length + 1));
}

} // namespace

QPoint panelPosition(QSize panel, std::optional<QRect> trayIcon, QPoint cursor, QRect available)
{
    // StatusNotifierItem hosts report no geometry at all; some report an empty rectangle.
    const QRect anchor =
        (trayIcon && trayIcon->isValid() && !trayIcon->isEmpty()) ? *trayIcon : QRect(cursor, QSize(1, 1));
    int x = anchor.center().x() - panel.width() / 2;
    int y = 0;
    if (anchor.right() < available.left()) {
        // A desktop panel on the left edge: beside it.
        x = anchor.right() + 1 + gap;
        y = anchor.top();
    } else if (anchor.left() > available.right()) {
        x = anchor.left() - gap - panel.width();
        y = anchor.top();
    } else if (anchor.center().y() < available.center().y()) {
        y = anchor.bottom() + 1 + gap;
    } else {
        y = anchor.top() - gap - panel.height();
    }
    return {clampSpan(x, panel.width(), available.left(), available.right()),
            clampSpan(y, panel.height(), available.top(), available.bottom())};
}

TrayClickOutcome trayClickOutcome(bool panelVisible, std::optional<qint64> msSinceFocusLossClose)
{
    if (panelVisible)
        return TrayClickOutcome::closePanel;
    if (msSinceFocusLossClose && *msSinceFocusLossClose >= 0 &&
        *msSinceFocusLossClose < focusLossClickWindowMs)
        return TrayClickOutcome::ignore;
    return TrayClickOutcome::openPanel;
}

} // namespace vireon
