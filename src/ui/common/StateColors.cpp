#include "ui/common/StateColors.h"

#include <QPalette>

namespace vireon {

QColor stateColor(StatusIcon::State state)
{
    switch (state) {
    case StatusIcon::State::idle:
        return QColor(0x86, 0x8c, 0x94);
    case StatusIcon::State::warning:
        return QColor(0xee, 0x8a, 0x10);
    case StatusIcon::State::feeding:
        return QColor(0x2a, 0xac, 0x4b);
    case StatusIcon::State::error:
        return QColor(0xe3, 0x36, 0x2c);
    }
    return QColor(0x86, 0x8c, 0x94);
}

QColor toneColor(Tone tone, const QPalette& around)
{
    const bool dark = around.color(QPalette::Window).lightness() < 128;
    switch (tone) {
    case Tone::secondary: {
        // Three fifths of the way from the background to the text reads as dimmed on any palette.
        const QColor text = around.color(QPalette::WindowText);
        const QColor window = around.color(QPalette::Window);
        return QColor((text.red() * 3 + window.red() * 2) / 5, (text.green() * 3 + window.green() * 2) / 5,
                      (text.blue() * 3 + window.blue() * 2) / 5);
    }
    case Tone::warning:
        return dark ? QColor(0xff, 0xa5, 0x3a) : QColor(0xb8, 0x5c, 0x00);
    case Tone::error:
        return dark ? QColor(0xff, 0x6b, 0x61) : QColor(0xc4, 0x1e, 0x14);
    }
    return around.color(QPalette::WindowText);
}

} // namespace vireon
