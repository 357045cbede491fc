#include "ui/settings/NoteLabel.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>

namespace vireon {
namespace {

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

} // namespace

NoteLabel::NoteLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
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
    const bool dark = isDark(around);
    QColor colour;
    switch (m_tone) {
    case Tone::secondary: {
        // Halfway between text and background reads as dimmed on any palette.
        const QColor text = around.color(QPalette::WindowText);
        const QColor window = around.color(QPalette::Window);
        colour = QColor((text.red() * 3 + window.red() * 2) / 5, (text.green() * 3 + window.green() * 2) / 5,
                        (text.blue() * 3 + window.blue() * 2) / 5);
        break;
    }
    case Tone::warning:
        colour = dark ? QColor(0xff, 0xa5, 0x3a) : QColor(0xb8, 0x5c, 0x00);
        break;
    case Tone::error:
        colour = dark ? QColor(0xff, 0x6b, 0x61) : QColor(0xc4, 0x1e, 0x14);
        break;
    }
    // Setting the palette announces a palette change of its own; only a new colour is worth one.
    if (palette().color(QPalette::WindowText) == colour)
        return;
    QPalette tinted = palette();
    tinted.setColor(QPalette::WindowText, colour);
    setPalette(tinted);
}

} // namespace vireon
