#include "ui/tray/StatusIconPainter.h"

#include "ui/common/StateColors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QtMath>
#include <cmath>

namespace vireon {
namespace {

constexpr int maximumDeviceSize = 1024;

// The dark rim around the glyph: thin enough to leave the gaps between the waves open at 16 pixels.
qreal haloWidth(int size)
{
    return std::max(0.4, size / 40.0);
}

// The nearest whole width with the same parity as the canvas, so a stroke centred on the canvas
// covers whole pixels and stays sharp at small sizes.
qreal alignedWidth(qreal ideal, int canvas)
{
    int width = std::max(1, int(std::lround(ideal)));
    if (width % 2 != canvas % 2)
        width += (ideal > width) ? 1 : -1;
    return std::max(width, canvas % 2 == 0 ? 2 : 1);
}

QPainterPath antennaShape(int size, bool crossedOut)
{
    const qreal s = size;
    const qreal cx = s / 2;
    const qreal halo = haloWidth(size);
    const qreal arcWidth = std::max(1.25, s * 0.085);
    const qreal mastWidth = alignedWidth(s * 0.09, size);

    // The glyph and its rim stay a pixel clear of every edge (with room for antialiasing), so no
    // panel crops them.
    const qreal edge = 1.2 + halo;
    const qreal outerRadius = cx - edge - arcWidth / 2;
    const qreal headRadius = std::max(1.0, s * 0.1);
    // The inner wave sits midway, so the two gaps are equal and neither closes up at small sizes.
    const qreal innerRadius = (headRadius + outerRadius) / 2 - arcWidth / 4;
    constexpr qreal sweep = 84;
    // High enough for a long mast, low enough that the tips of the outer waves clear the top edge.
    const qreal waveTop = outerRadius * std::sin(qDegreesToRadians(sweep / 2)) + arcWidth / 2;
    const qreal cy = std::max(std::round(s * 0.40), std::ceil(edge + waveTop + 0.25));
    const qreal bottom = std::floor(s - edge);

    QPainterPath waves;
    for (const qreal radius : {innerRadius, outerRadius}) {
        const QRectF circle(cx - radius, cy - radius, 2 * radius, 2 * radius);
        waves.arcMoveTo(circle, -sweep / 2);
        waves.arcTo(circle, -sweep / 2, sweep);
        waves.arcMoveTo(circle, 180 - sweep / 2);
        waves.arcTo(circle, 180 - sweep / 2, sweep);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(arcWidth);
    stroker.setCapStyle(Qt::RoundCap);

    QPainterPath shape = stroker.createStroke(waves);
    shape.addEllipse(QPointF(cx, cy), headRadius, headRadius);
    shape.addRect(QRectF(cx - mastWidth / 2, cy, mastWidth, bottom - cy));
    shape.setFillRule(Qt::WindingFill);
    shape = shape.simplified();

    if (crossedOut) {
        QPainterPath slash;
        const qreal end = edge + arcWidth / 2;
        slash.moveTo(end + s * 0.06, end);
        slash.lineTo(s - end - s * 0.06, s - end);
        // A clear channel on both sides of the bar, so the crossing reads even at 16 pixels.
        QPainterPathStroker gap;
        gap.setWidth(arcWidth * 2.4);
        gap.setCapStyle(Qt::FlatCap);
        stroker.setCapStyle(Qt::RoundCap);
        shape = shape.subtracted(gap.createStroke(slash)).united(stroker.createStroke(slash));
    }
    return shape;
}

} // namespace

QImage StatusIconPainter::image(State state, int logicalSize, qreal devicePixelRatio)
{
    if (!std::isfinite(devicePixelRatio) || devicePixelRatio <= 0)
        devicePixelRatio = 1.0;
    logicalSize = std::clamp(logicalSize, 1, maximumDeviceSize);
    devicePixelRatio =
        std::clamp(devicePixelRatio, 1.0 / logicalSize, qreal(maximumDeviceSize) / logicalSize);
    const int size = std::clamp(int(std::lround(logicalSize * devicePixelRatio)), 1, maximumDeviceSize);

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);

    const QPainterPath shape = antennaShape(size, state == State::error);
    const qreal halo = haloWidth(size);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // The painter works in device pixels; the ratio tag only tells the consumer how to place it.
    painter.scale(1.0 / devicePixelRatio, 1.0 / devicePixelRatio);
    // A thin dark rim keeps the light shades apart from a white panel; on a dark panel the colour
    // itself carries the contrast.
    painter.setPen(QPen(QColor(0, 0, 0, 90), 2 * halo, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    painter.fillPath(shape, stateColor(state));
    return image;
}

QIcon StatusIconPainter::icon(State state)
{
    QIcon icon;
    for (const int size : {16, 20, 22, 24, 32, 40, 44, 48, 64, 96})
        icon.addPixmap(QPixmap::fromImage(image(state, size, 1.0)));
    return icon;
}

} // namespace vireon
