#include "ui/onboarding/OnboardingStyle.h"

#include "ui/common/CaptionFont.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace vireon {

QLabel* OnboardingStyle::headline(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.25);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    return label;
}

QLabel* OnboardingStyle::secondary(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    // Also the stick's own name and other text from outside: never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // The placeholder role is the palette's own dimmed text, in light and dark themes alike.
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* OnboardingStyle::smallSecondary(const QString& text, QWidget* parent)
{
    QLabel* label = secondary(text, parent);
    makeSmall(label);
    return label;
}

QFrame* OnboardingStyle::divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

void OnboardingStyle::makeSmall(QWidget* widget)
{
    widget->setFont(captionFont(widget->font()));
}

QPushButton* OnboardingStyle::button(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setMinimumWidth(std::max(80, button->sizeHint().width() + 16));
    return button;
}

} // namespace vireon
