#pragma once

#include "stats/StatsSnapshot.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vireon {

// How well the station hears, in one line of figures ("Signal −14.2 dBFS · noise −32.5 · range
// 214 km") and the hints the figures call for; the panel and the receiver settings show the same.
struct HearingModel {
    std::optional<QString> figuresLine;
    QStringList hints;

    bool operator==(const HearingModel&) const = default;

    static HearingModel make(const ReceiverFigures& figures);

    // More than this share of the minute's messages came in very strong.
    static constexpr double strongShare = 0.05;
};

} // namespace vireon
