#pragma once

namespace vireon {

// How a note under a control reads: dimmed, or as a warning, or as an error. The widgets choose the
// colours, against the palette they sit on.
enum class Tone { secondary, warning, error };

} // namespace vireon
