#pragma once

#include "app/StatusIcon.h"

#include <QIcon>
#include <QImage>

namespace vireon {

// The tray image for each condition of the station: an antenna with radio waves, crossed out for an
// error, in a colour that reads on light and dark panels alike.
struct StatusIconPainter {
    using State = StatusIcon::State;

    StatusIconPainter() = delete;

    // logicalSize × devicePixelRatio device pixels, tagged with that ratio. Sizes are clamped to
    // what a tray can show, so nonsense arguments give a small or large icon rather than no icon.
    static QImage image(State state, int logicalSize = 22, qreal devicePixelRatio = 1.0);

    // Drawn separately for each common tray size and for high-density screens, so no size is a
    // blurred scaling of another. Needs a QGuiApplication, as every QPixmap does.
    static QIcon icon(State state);
};

} // namespace vireon
