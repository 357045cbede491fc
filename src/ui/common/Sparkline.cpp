#include "ui/common/Sparkline.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace vireon {
namespace {

constexpr qreal lineWidth = 1.5;
constexpr qreal fillAlpha = 0.18;

} // namespace

Sparkline::Sparkline(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Sparkline::setValues(const QList<double>& values)
{
    if (m_values == values)
        return;
    m_values = values;
    update();
}

void Sparkline::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void Sparkline::setCapacity(int points)
{
    m_capacity = std::max(points, 2);
    update();
}

QSize Sparkline::sizeHint() const
{
    return {QWidget::sizeHint().width(), height};
}

void Sparkline::paintEvent(QPaintEvent*)
{
    if (m_values.size() < 2)
        return;
    const qsizetype shown = std::min<qsizetype>(m_values.size(), m_capacity);
    const qsizetype first = m_values.size() - shown;
    double top = 0;
    for (qsizetype i = first; i < m_values.size(); ++i) {
        if (std::isfinite(m_values[i]))
            top = std::max(top, m_values[i]);
    }
    // The line keeps clear of the edges by its width, so neither the peak nor zero is clipped.
    const QRectF area = QRectF(rect()).adjusted(lineWidth, lineWidth, -lineWidth, -lineWidth);
    const qreal step = area.width() / qreal(std::max<qsizetype>(m_capacity, shown) - 1);
    const qreal left = area.right() - step * qreal(shown - 1);
    const auto y = [&](double value) {
        if (!std::isfinite(value) || value <= 0 || top <= 0)
            return area.bottom();
        return area.bottom() - area.height() * std::min(value / top, 1.0);
    };

    QPainterPath line;
    line.moveTo(left, y(m_values[first]));
    for (qsizetype i = 1; i < shown; ++i)
        line.lineTo(left + step * qreal(i), y(m_values[first + i]));
    QPainterPath fill = line;
    fill.lineTo(area.right(), area.bottom());
    fill.lineTo(left, area.bottom());
    fill.closeSubpath();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor under = m_color;
    under.setAlphaF(fillAlpha);
    painter.fillPath(fill, under);
    QPen pen(m_color, lineWidth);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawPath(line);
}

} // namespace vireon
