#pragma once

#include <QString>

namespace vireon {

// The station key field stores its text normalised at every keystroke; this says what the field then
// shows and where its cursor goes, so typing in the middle of a key does not send the cursor to the end.
struct StationKeyInput {
    QString text;
    qsizetype cursor = 0;

    // The normalised form of what was typed, with the cursor kept on the same character.
    static StationKeyInput normalised(const QString& typed, qsizetype cursor);

    bool operator==(const StationKeyInput&) const = default;
};

} // namespace vireon
