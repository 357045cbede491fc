#pragma once

#include "config/StationConfig.h"
#include "stats/StatsSnapshot.h"

#include <QDateTime>
#include <QStringList>
#include <optional>

namespace vireon {

// What the station itself lacks for MLAT: nearly every "MLAT won't sync" comes down to one of these.
struct MlatReadiness {
    bool altitudeMissing = false;
    // Fewer than 4 decimals in latitude or longitude: only good to about 100 m.
    bool positionImprecise = false;
    bool clockUnsynchronised = false;
    // The stick lost samples on USB in the decoder's last minute.
    bool samplesLost = false;

    bool operator==(const MlatReadiness&) const = default;

    // Unknown clock state says nothing; figures older than a minute say nothing about samples.
    static MlatReadiness of(const StationConfig::Station& station, std::optional<bool> clockSynchronised,
                            const StatsSnapshot& stats, const QDateTime& now);

    // One sentence for each thing missing, most basic first.
    QStringList notes() const;
    // What most likely spoils the sync when the server reports it poor.
    QString likeliestCause() const;

    // Whether a coordinate stored as this number has at least 4 decimals.
    static bool hasFourDecimals(double degrees);
};

} // namespace vireon
