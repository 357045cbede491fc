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

QPoint insideArea(QPoint wanted, QSize panel, const QRect& available)
{
    return {clampSpan(wanted.x(), panel.width(), available.left(), available.right()),
            clampSpan(wanted.y(), panel.height(), available.top(), available.bottom())};
}

const ScreenArea* screenShowing(QPoint point, const QList<ScreenArea>& screens)
{
    const auto found = std::find_if(screens.begin(), screens.end(), [point](const ScreenArea& screen) {
        return screen.geometry.contains(point);
    });
    return found != screens.end() ? &*found : nullptr;
}

} // namespace

QPoint panelPosition(QSize panel, std::optional<QRect> trayIcon, std::optional<QPoint> cursor,
                     const QList<ScreenArea>& screens)
{
    if (screens.isEmpty())
        return {};
    // StatusNotifierItem hosts report no geometry at all, some an empty rectangle; a place on no
    // screen (a stale pointer, an icon on a screen that went away) says nothing either.
    std::optional<QRect> anchor;
    if (trayIcon && trayIcon->isValid() && !trayIcon->isEmpty())
        anchor = *trayIcon;
    const ScreenArea* screen = anchor ? screenShowing(anchor->center(), screens) : nullptr;
    if (!screen && cursor) {
        anchor = QRect(*cursor, QSize(1, 1));
        screen = screenShowing(*cursor, screens);
    }
    if (!screen) {
        const QRect& available = screens.first().available;
        return insideArea({available.right() + 1 - panel.width(), available.top()}, panel, available);
    }

    const QRect& available = screen->available;
    int x = anchor->center().x() - panel.width() / 2;
    int y = 0;
    if (anchor->right() < available.left()) {
        // A desktop panel on the left edge: beside it.
        x = anchor->right() + 1 + gap;
        y = anchor->top();
    } else if (anchor->left() > available.right()) {
        x = anchor->left() - gap - panel.width();
        y = anchor->top();
    } else if (anchor->center().y() < available.center().y()) {
        y = anchor->bottom() + 1 + gap;
    } else {
        y = anchor->top() - gap - panel.height();
    }
    return insideArea({x, y}, panel, available);
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
