#pragma once

#include <QDateTime>
#include <optional>

namespace vireon {

// One reading of the decoder's live figures.
struct StatsSnapshot {
    qint64 aircraftCount = 0;
    double messageRate = 0;
    std::optional<QDateTime> updatedAt;
    bool operator==(const StatsSnapshot&) const = default;
};

} // namespace vireon
