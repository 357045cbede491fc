#pragma once

#include "stats/StatsSnapshot.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace vireon {

// Whether the station is where its settings say: the aircraft it hears broadcast their own positions,
// and a receiver hears aircraft within a few hundred kilometres. A wrong or swapped position spoils
// the decoder's local position decoding and every network's view of the station, and is the most
// common mistake of a new station.
struct PositionCheck {
    PositionCheck() = delete;

    // What the evidence says of the position set.
    struct Verdict {
        // Where the aircraft heard are, roughly.
        double centreLatitude = 0;
        double centreLongitude = 0;
        // The likely slip, when undoing it would put the station among its aircraft.
        enum class Slip { none, swapped, latitudeSign, longitudeSign, bothSigns };
        Slip slip = Slip::none;
        // The decoder threw the aircraft's positions away as too far from the station's to have been
        // heard there: where they are is unknown, only that it is far.
        bool beyondDecoderRange = false;
        bool operator==(const Verdict&) const = default;
    };

    static constexpr int evidenceNeeded = 10;
    static constexpr double farKm = 500;
    static constexpr double nearKm = 300;

    // Absent while the position looks right or the evidence is too thin to say: fewer than ten
    // aircraft (unless the position was never set, when any aircraft will do).
    static std::optional<Verdict> judge(double latitude, double longitude,
                                        const QList<AircraftPosition>& heard);

    // The decoder keeps only positions within its range (450 nautical miles) of the station's, so a
    // station set farther from its sky than that hears no position at all; its own count of the ones
    // it threw away then tells. More thrown away than kept, enough of them, and as many aircraft
    // without a position as the other rule needs with one (a single aircraft broadcasting nonsense is
    // no evidence), is a wrong position.
    static constexpr qint64 outOfRangeNeeded = 10;
    static std::optional<Verdict> judgeDecoderRange(const ReceiverFigures& figures);

    // "Aircraft you receive are around 48.1° N, 11.6° E, far from the position you set. …"
    static QString warning(const Verdict& verdict);

    // Great-circle distance on a spherical Earth.
    static double distanceKm(double lat1, double lon1, double lat2, double lon2);
};

// The aircraft positions heard over the last ten minutes, one (the latest) per aircraft.
class PositionEvidence {
public:
    static constexpr qint64 windowSeconds = 600;

    void add(const QDateTime& now, const QList<AircraftPosition>& heard);
    QList<AircraftPosition> positions(const QDateTime& now) const;
    void clear() { m_latest.clear(); }

private:
    struct Seen {
        AircraftPosition position;
        QDateTime at;
    };
    QHash<QString, Seen> m_latest;
};

} // namespace vireon
