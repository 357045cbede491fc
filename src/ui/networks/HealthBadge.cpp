#include "ui/networks/HealthBadge.h"

#include "app/StatusIcon.h"
#include "ui/common/WidgetText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace vireon {
namespace {

constexpr int dotSize = 8;

StatusIcon::State iconStateFor(ConnectorHealthLine::Tone tone)
{
    switch (tone) {
    case ConnectorHealthLine::Tone::connected:
        return StatusIcon::State::feeding;
    case ConnectorHealthLine::Tone::connecting:
        return StatusIcon::State::warning;
    case ConnectorHealthLine::Tone::retrying:
        return StatusIcon::State::error;
    }
    return StatusIcon::State::idle;
}

QPixmap dot(const QColor& colour, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(dotSize, dotSize) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0, 0, dotSize, dotSize));
    return pixmap;
}

} // namespace

HealthBadge::HealthBadge(QWidget* parent) : QWidget(parent)
{
    m_dot = new QLabel(this);
    m_dot->setFixedSize(dotSize, dotSize);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("healthText"));
    m_text->setTextFormat(Qt::PlainText); // the decoder's words, whatever they look like
    QFont small = m_text->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_text->setFont(small);
    // A long failure is cut at the edge rather than widening the form.
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_dot);
    layout->addWidget(m_text, 1);
    hide();
}

void HealthBadge::display(const std::optional<ConnectorHealthLine>& line)
{
    setVisible(line.has_value());
    if (!line)
        return;
    m_dot->setPixmap(dot(StatusIcon::color(iconStateFor(line->tone)), devicePixelRatioF()));
    m_text->setText(line->text);
    setToolTip(plainToolTip(line->toolTip));
    setAccessibleName(line->text);
}

QString HealthBadge::text() const
{
    return isHidden() ? QString() : m_text->text();
}

} // namespace vireon
