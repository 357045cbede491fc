#pragma once

#include <QFont>

namespace vireon {

// The small type of notes, hints and captions, in every window the same step below the body text.
inline QFont captionFont(QFont font)
{
    font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

} // namespace vireon
