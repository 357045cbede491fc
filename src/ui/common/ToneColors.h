#pragma once

#include <QColor>

class QPalette;

namespace vireon {

// The colours of secondary, warning and error text, chosen against the palette they sit on, so each
// stays legible on light and dark windows alike. Buttons that destroy something use the error colour.
enum class Tone { secondary, warning, error };

QColor toneColor(Tone tone, const QPalette& around);

} // namespace vireon
