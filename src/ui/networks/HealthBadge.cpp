#include "ui/networks/HealthBadge.h"

#include "ui/common/CaptionFont.h"
#include "ui/common/StateColors.h"
#include "ui/common/StatusDot.h"
#include "ui/common/WidgetText.h"

#include <QHBoxLayout>
#include <QLabel>

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
    case ConnectorHealthLine::Tone::off:
        return StatusIcon::State::idle;
    }
    return StatusIcon::State::idle;
}

} // namespace

HealthBadge::HealthBadge(QWidget* parent) : QWidget(parent)
{
    m_dot = new StatusDot(dotSize, this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("healthText"));
    m_text->setTextFormat(Qt::PlainText); // the decoder's words, whatever they look like
    m_text->setFont(captionFont(m_text->font()));
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
    m_dot->setColor(stateColor(iconStateFor(line->tone)));
    m_text->setText(line->text);
    setToolTip(plainToolTip(line->toolTip));
    setAccessibleName(line->text);
}

QString HealthBadge::text() const
{
    return isHidden() ? QString() : m_text->text();
}

} // namespace vireon
