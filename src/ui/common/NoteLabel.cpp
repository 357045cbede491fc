#include "ui/common/NoteLabel.h"

#include "ui/common/CaptionFont.h"
#include "ui/common/StateColors.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>

namespace vireon {
NoteLabel::NoteLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setFont(captionFont(font()));
    applyColour();
}

void NoteLabel::setTone(Tone tone)
{
    m_tone = tone;
    applyColour();
}

void NoteLabel::setMonospaced()
{
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(font().pointSizeF());
    setFont(mono);
}

void NoteLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyColour();
}

void NoteLabel::applyColour()
{
    // Our own text colour is set on this label, so the surroundings' colours come from the parent.
    const QPalette around = parentWidget() ? parentWidget()->palette() : QApplication::palette(this);
    const QColor colour = toneColor(m_tone, around);
    // Setting the palette announces a palette change of its own; only a new colour is worth one.
    if (palette().color(QPalette::WindowText) == colour)
        return;
    QPalette tinted = palette();
    tinted.setColor(QPalette::WindowText, colour);
    setPalette(tinted);
}

} // namespace vireon
