#include "app/PositionCheck.h"

#include "platform/CNumber.h"

#include <algorithm>
#include <cmath>

namespace vireon {
namespace {

constexpr double earthRadiusKm = 6371.0;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double medianDistanceKm(double lat, double lon, const QList<AircraftPosition>& heard)
{
    QList<double> distances;
    distances.reserve(heard.size());
    for (const AircraftPosition& p : heard)
        distances.append(PositionCheck::distanceKm(lat, lon, p.latitude, p.longitude));
    return median(distances);
}

// Longitudes are measured from the first aircraft's, so a sky across the date line is not averaged
// to the other side of the Earth.
double medianLongitude(const QList<AircraftPosition>& heard)
{
    const double reference = heard.first().longitude;
    QList<double> unwrapped;
    for (const AircraftPosition& p : heard)
        unwrapped.append(reference + std::remainder(p.longitude - reference, 360.0));
    double centre = std::remainder(median(unwrapped), 360.0);
    return centre == -180 ? 180 : centre;
}

QString degrees(double value, QChar positive, QChar negative)
{
    return CNumber::format("%.1f", std::fabs(value)) + QStringLiteral("\u00b0 ") +
           (value < 0 ? negative : positive);
}

} // namespace

double PositionCheck::distanceKm(double lat1, double lon1, double lat2, double lon2)
{
    const auto radians = [](double degrees) { return degrees * M_PI / 180.0; };
    const double dLat = radians(lat2 - lat1);
    const double dLon = radians(lon2 - lon1);
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) + std::cos(radians(lat1)) *
                                                                   std::cos(radians(lat2)) *
                                                                   std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * earthRadiusKm * std::asin(std::min(1.0, std::sqrt(a)));
}

std::optional<PositionCheck::Verdict> PositionCheck::judge(double latitude, double longitude,
                                                           const QList<AircraftPosition>& heard)
{
    if (heard.isEmpty())
        return std::nullopt;
    const bool unset = latitude == 0 && longitude == 0;
    if (!unset && (heard.size() < evidenceNeeded || medianDistanceKm(latitude, longitude, heard) <= farKm))
        return std::nullopt;

    QList<double> latitudes;
    for (const AircraftPosition& p : heard)
        latitudes.append(p.latitude);
    Verdict verdict{median(latitudes), medianLongitude(heard), Verdict::Slip::none};
    if (unset)
        return verdict;
    struct Candidate {
        Verdict::Slip slip;
        double lat;
        double lon;
    };
    QList<Candidate> candidates;
    if (std::fabs(longitude) <= 90)
        candidates.append({Verdict::Slip::swapped, longitude, latitude});
    candidates.append({Verdict::Slip::latitudeSign, -latitude, longitude});
    candidates.append({Verdict::Slip::longitudeSign, latitude, -longitude});
    candidates.append({Verdict::Slip::bothSigns, -latitude, -longitude});
    for (const Candidate& c : candidates) {
        if (medianDistanceKm(c.lat, c.lon, heard) <= nearKm) {
            verdict.slip = c.slip;
            break;
        }
    }
    return verdict;
}

std::optional<PositionCheck::Verdict> PositionCheck::judgeDecoderRange(const ReceiverFigures& figures)
{
    const qint64 thrownAway = figures.positionsOutOfRange.value_or(0);
    if (thrownAway < outOfRangeNeeded || thrownAway <= figures.positionsDecoded.value_or(0) ||
        figures.aircraftWithoutPosition.value_or(0) < evidenceNeeded)
        return std::nullopt;
    Verdict verdict;
    verdict.beyondDecoderRange = true;
    return verdict;
}

QString PositionCheck::warning(const Verdict& verdict)
{
    if (verdict.beyondDecoderRange)
        return QStringLiteral("Aircraft you receive are too far from the position you set to be heard "
                              "there. Check your latitude and longitude.");
    QString text = QStringLiteral("Aircraft you receive are around ") +
                   degrees(verdict.centreLatitude, QLatin1Char('N'), QLatin1Char('S')) +
                   QStringLiteral(", ") +
                   degrees(verdict.centreLongitude, QLatin1Char('E'), QLatin1Char('W')) +
                   QStringLiteral(", far from the position you set. Check your latitude and longitude.");
    switch (verdict.slip) {
    case Verdict::Slip::none:
        break;
    case Verdict::Slip::swapped:
        text += QStringLiteral(" Latitude and longitude look swapped.");
        break;
    case Verdict::Slip::latitudeSign:
        text += QStringLiteral(" The latitude's sign looks wrong: north is positive.");
        break;
    case Verdict::Slip::longitudeSign:
        text += QStringLiteral(" The longitude's sign looks wrong: east is positive.");
        break;
    case Verdict::Slip::bothSigns:
        text += QStringLiteral(" Both signs look wrong: north and east are positive.");
        break;
    }
    return text;
}

void PositionEvidence::add(const QDateTime& now, const QList<AircraftPosition>& heard)
{
    for (const AircraftPosition& p : heard)
        m_latest.insert(p.hex, Seen{p, now});
    const QDateTime oldest = now.addSecs(-windowSeconds);
    m_latest.removeIf([&](const auto& entry) { return entry.value().at < oldest; });
}

QList<AircraftPosition> PositionEvidence::positions(const QDateTime& now) const
{
    const QDateTime oldest = now.addSecs(-windowSeconds);
    QList<AircraftPosition> result;
    for (const Seen& seen : m_latest) {
        if (seen.at >= oldest)
            result.append(seen.position);
    }
    return result;
}

} // namespace vireon
