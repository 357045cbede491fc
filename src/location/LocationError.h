#pragma once

#include <QString>

namespace vireon {

// Why a one-shot location request ended without a position. Each kind carries one message that the
// caller shows as it stands; it always tells the user to enter the coordinates by hand.
struct LocationError {
    enum class Kind { denied, unavailable, promptTimedOut, fixTimedOut, busy };

    Kind kind = Kind::unavailable;

    QString errorDescription() const;
    bool operator==(const LocationError&) const = default;
};

} // namespace vireon
