#pragma once

namespace vireon {

// The condition of the station as the tray icon shows it: grey, orange, green or red. The drawing
// belongs to the tray; the core only decides which it is.
struct StatusIcon {
    enum class State { idle, warning, feeding, error };

    StatusIcon() = delete;
};

} // namespace vireon
