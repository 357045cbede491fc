#include "ui/onboarding/OnboardingIcons.h"

#include "ui/common/StateColors.h"
#include "ui/tray/StatusIconPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace vireon {
namespace {

// A transparent pixmap of `size` logical pixels, painted in logical coordinates.
QPixmap draw(int size, qreal ratio, const std::function<void(QPainter&, qreal)>& paint)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, qreal(size));
    return pixmap;
}

} // namespace

QPixmap OnboardingIcons::antenna(const QColor& color, int size, qreal ratio)
{
    // The tray's antenna, recoloured: one shape for the same thing everywhere in the application.
    QImage image = StatusIconPainter::image(StatusIcon::State::idle, size, ratio);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, size, size), color);
    painter.end();
    return QPixmap::fromImage(image);
}

QPixmap OnboardingIcons::warningTriangle(int size, qreal ratio)
{
    return draw(size, ratio, [](QPainter& p, qreal s) {
        QPainterPath triangle;
        triangle.moveTo(s / 2, s * 0.08);
        triangle.lineTo(s * 0.96, s * 0.90);
        triangle.lineTo(s * 0.04, s * 0.90);
        triangle.closeSubpath();
        p.setPen(QPen(stateColor(StatusIcon::State::warning), s * 0.08, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.setBrush(stateColor(StatusIcon::State::warning));
        p.drawPath(triangle);
        p.setPen(QPen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s / 2, s * 0.36), QPointF(s / 2, s * 0.60));
        p.drawPoint(QPointF(s / 2, s * 0.76));
    });
}

QPixmap OnboardingIcons::checkMark(int size, qreal ratio)
{
    return draw(size, ratio, [](QPainter& p, qreal s) {
        p.setPen(Qt::NoPen);
        p.setBrush(stateColor(StatusIcon::State::feeding));
        p.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
        QPainterPath tick;
        tick.moveTo(s * 0.29, s * 0.52);
        tick.lineTo(s * 0.44, s * 0.67);
        tick.lineTo(s * 0.72, s * 0.36);
        p.setPen(QPen(Qt::white, s * 0.10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    });
}

QPixmap OnboardingIcons::locationArrow(const QColor& color, int size, qreal ratio)
{
    return draw(size, ratio, [color](QPainter& p, qreal s) {
        // The navigation arrow: pointing up and to the right, notched at its tail.
        QPainterPath arrow;
        arrow.moveTo(s * 0.90, s * 0.10);
        arrow.lineTo(s * 0.56, s * 0.90);
        arrow.lineTo(s * 0.46, s * 0.54);
        arrow.lineTo(s * 0.10, s * 0.44);
        arrow.closeSubpath();
        p.setPen(QPen(color, s * 0.06, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(color);
        p.drawPath(arrow);
    });
}

QPixmap OnboardingIcons::spinner(const QColor& color, int size, qreal ratio, int degrees)
{
    return draw(size, ratio, [color, degrees](QPainter& p, qreal s) {
        const qreal width = std::max(1.5, s * 0.14);
        const QRectF ring(width / 2 + 0.5, width / 2 + 0.5, s - width - 1, s - width - 1);
        QColor faint = color;
        faint.setAlphaF(0.25 * color.alphaF());
        p.setPen(QPen(faint, width));
        p.drawEllipse(ring);
        p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(ring, (90 - degrees) * 16, -270 * 16);
    });
}

} // namespace vireon
