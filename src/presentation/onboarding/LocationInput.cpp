#include "presentation/onboarding/LocationInput.h"

#include "platform/CNumber.h"
#include "presentation/common/AltitudeInput.h"
#include "presentation/common/CoordinateInput.h"

#include <charconv>
#include <cmath>

namespace vireon {
namespace {

QString withoutBlankEnds(const QString& text)
{
    const auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<double> parseDegrees(const QString& typed)
{
    const QString text = withoutBlankEnds(typed).replace(QLatin1Char(','), QLatin1Char('.'));

    const QByteArray bytes = text.toUtf8();
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    // from_chars takes no "+" of its own; a decimal number may carry one.
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    double value = 0;
    const auto [stop, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (bytes.isEmpty() || error != std::errc() || stop != last)
        return std::nullopt;
    return value;
}

// Blank is "not given"; otherwise metres within what mlat-client takes, to a tenth.
std::optional<std::optional<double>> parseAltitude(const QString& typed)
{
    if (withoutBlankEnds(typed).isEmpty())
        return std::optional<double>();
    const std::optional<double> metres = parseDegrees(typed);
    if (!metres || !AltitudeInput::inRange(*metres))
        return std::nullopt;
    return std::optional<double>(std::round(*metres * 10) / 10);
}

} // namespace

std::optional<LocationInput::Position>
LocationInput::parsed(const QString& latitudeText, const QString& longitudeText, const QString& altitudeText)
{
    const auto altitude = parseAltitude(altitudeText);
    if (!altitude)
        return std::nullopt;
    const auto lat = parseDegrees(latitudeText);
    const auto lon = parseDegrees(longitudeText);
    if (!lat || !lon)
        return std::nullopt;
    if (std::isnan(*lat) || std::isnan(*lon) || std::abs(*lat) > 90 || std::abs(*lon) > 180)
        return std::nullopt;
    if (*lat == 0 && *lon == 0)
        return std::nullopt;
    return Position{*lat, *lon, *altitude};
}

LocationInput::Problems LocationInput::problems(const QString& latitudeText, const QString& longitudeText,
                                                const QString& altitudeText)
{
    enum class Reading { blank, refused, degrees };
    struct Judged {
        Reading reading = Reading::blank;
        double degrees = 0;
    };
    const auto judge = [](const QString& text, double limit) {
        if (withoutBlankEnds(text).isEmpty())
            return Judged{};
        const std::optional<double> degrees = parseDegrees(text);
        // NaN fails every comparison, so it is refused with the rest.
        if (!degrees || !(std::abs(*degrees) <= limit))
            return Judged{Reading::refused};
        return Judged{Reading::degrees, *degrees};
    };
    const Judged lat = judge(latitudeText, 90);
    const Judged lon = judge(longitudeText, 180);
    Problems problems;
    if (lat.reading == Reading::refused)
        problems.latitude = QStringLiteral("Latitude must be a number between \u221290 and 90.");
    if (lon.reading == Reading::refused)
        problems.longitude = QStringLiteral("Longitude must be a number between \u2212180 and 180.");
    if (lat.reading == Reading::degrees && lon.reading == Reading::degrees && lat.degrees == 0 &&
        lon.degrees == 0)
        problems.position = QStringLiteral("0, 0 is in the ocean: enter your antenna's position.");
    if (!parseAltitude(altitudeText))
        problems.altitude = AltitudeInput::problem();
    return problems;
}

std::optional<std::pair<QString, QString>> LocationInput::prefill(double lat, double lon)
{
    if (lat == 0 && lon == 0)
        return std::nullopt;
    return std::pair{CoordinateInput::sixDecimals(lat), CoordinateInput::sixDecimals(lon)};
}

QString LocationInput::altitudePrefill(const std::optional<double>& metres)
{
    return metres ? CNumber::format("%.1f", *metres) : QString();
}

} // namespace vireon
