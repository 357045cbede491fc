#include "presentation/networks/MlatReadiness.h"

#include <cmath>

namespace vireon {

bool MlatReadiness::hasFourDecimals(double degrees)
{
    // The stored number is the nearest double to what was typed, so "52.52" lands within a hair of
    // a whole number of thousandths; anything typed with a fourth decimal digit does not.
    const double thousandths = degrees * 1000.0;
    return std::abs(thousandths - std::round(thousandths)) > 1e-6;
}

MlatReadiness MlatReadiness::of(const StationConfig::Station& station, std::optional<bool> clockSynchronised,
                                const StatsSnapshot& stats, const QDateTime& now)
{
    MlatReadiness readiness;
    readiness.altitudeMissing = !station.alt.has_value();
    const bool positionSet = !(station.lat == 0 && station.lon == 0);
    readiness.positionImprecise =
        positionSet && (!hasFourDecimals(station.lat) || !hasFourDecimals(station.lon));
    readiness.clockUnsynchronised = clockSynchronised == false;
    const bool fresh = stats.updatedAt && stats.updatedAt->secsTo(now) <= 60;
    readiness.samplesLost = fresh && stats.receiver.samplesLost.value_or(0) > 0;
    return readiness;
}

QStringList MlatReadiness::notes() const
{
    QStringList notes;
    if (altitudeMissing)
        notes << QStringLiteral("MLAT needs your antenna's altitude: enter it under Station, in metres above "
                                "sea level.");
    if (positionImprecise)
        notes << QStringLiteral(
            "MLAT needs your antenna's position to about 10 m: enter at least 4 decimals.");
    if (clockUnsynchronised)
        notes << QStringLiteral("The system clock is not synchronised: turn on network time (NTP) in your "
                                "system settings.");
    if (samplesLost)
        notes << QStringLiteral("The stick lost samples on USB in the last minute: plug it straight into the "
                                "computer, away from hubs and busy ports.");
    return notes;
}

QString MlatReadiness::likeliestCause() const
{
    if (positionImprecise)
        return QStringLiteral("your position needs at least 4 decimals");
    if (samplesLost)
        return QStringLiteral("the stick is losing samples on USB");
    if (clockUnsynchronised)
        return QStringLiteral("the system clock is not synchronised");
    return QStringLiteral("check your antenna's position and altitude");
}

} // namespace vireon
