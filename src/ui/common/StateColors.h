#pragma once

#include "app/StatusIcon.h"
#include "presentation/common/Tone.h"

#include <QColor>

class QPalette;

namespace vireon {

// The colours every view takes from one place. The station's state colours (grey, orange, green, red)
// are the tray icon's, so a dot in a window means what the icon means. The tones of small text are
// chosen against the palette they sit on, so each stays legible on light and dark windows alike;
// buttons that destroy something use the error tone.
QColor stateColor(StatusIcon::State state);
QColor toneColor(Tone tone, const QPalette& around);

} // namespace vireon
