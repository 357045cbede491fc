#include "app/OnboardingRules.h"

#include "platform/CNumber.h"

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

} // namespace

std::optional<OnboardingRules::Position> OnboardingRules::parsedLocation(const QString& latitudeText,
                                                                         const QString& longitudeText)
{
    const auto lat = parseDegrees(latitudeText);
    const auto lon = parseDegrees(longitudeText);
    if (!lat || !lon)
        return std::nullopt;
    if (std::isnan(*lat) || std::isnan(*lon) || std::abs(*lat) > 90 || std::abs(*lon) > 180)
        return std::nullopt;
    if (*lat == 0 && *lon == 0)
        return std::nullopt;
    return Position{*lat, *lon};
}

OnboardingRules::PositionProblems OnboardingRules::positionProblems(const QString& latitudeText,
                                                                    const QString& longitudeText)
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
    PositionProblems problems;
    if (lat.reading == Reading::refused)
        problems.latitude = QStringLiteral("Latitude must be a number between \u221290 and 90.");
    if (lon.reading == Reading::refused)
        problems.longitude = QStringLiteral("Longitude must be a number between \u2212180 and 180.");
    if (lat.reading == Reading::degrees && lon.reading == Reading::degrees && lat.degrees == 0 &&
        lon.degrees == 0)
        problems.position = QStringLiteral("0, 0 is in the ocean: enter your antenna's position.");
    return problems;
}

QString OnboardingRules::coordinateText(double degrees)
{
    return CNumber::format("%.6f", degrees);
}

std::optional<std::pair<QString, QString>> OnboardingRules::prefill(double lat, double lon)
{
    if (lat == 0 && lon == 0)
        return std::nullopt;
    return std::pair{coordinateText(lat), coordinateText(lon)};
}

QString OnboardingRules::stepCounter(OnboardingStep step)
{
    return QStringLiteral("Step %1 of 3").arg(int(step) + 1);
}

OnboardingStep OnboardingRules::previous(OnboardingStep step)
{
    return step == OnboardingStep::done ? OnboardingStep::location : OnboardingStep::device;
}

OnboardingStep OnboardingRules::next(OnboardingStep step)
{
    return step == OnboardingStep::device ? OnboardingStep::location : OnboardingStep::done;
}

OnboardingRules::Footer OnboardingRules::footer(OnboardingStep step, bool devicesFound, bool locationParsed)
{
    Footer footer;
    footer.back = step != OnboardingStep::device;
    switch (step) {
    case OnboardingStep::device:
        footer.continueShown = true;
        footer.continueEnabled = devicesFound;
        footer.continueAnyway = !devicesFound;
        break;
    case OnboardingStep::location:
        footer.continueShown = true;
        footer.continueEnabled = locationParsed;
        break;
    case OnboardingStep::done:
        footer.finish = true;
        break;
    }
    return footer;
}

OnboardingRules::DeviceDisplay OnboardingRules::deviceDisplay(bool probed, bool devicesFound)
{
    if (!probed)
        return DeviceDisplay::looking;
    return devicesFound ? DeviceDisplay::devices : DeviceDisplay::noDevice;
}

QString OnboardingRules::usbIdentifiers(qint64 vendorID, qint64 productID)
{
    return QString::asprintf("USB %04llx:%04llx", static_cast<unsigned long long>(vendorID),
                             static_cast<unsigned long long>(productID));
}

StatusIcon::State OnboardingRules::statusDot(StatusIcon::State iconState)
{
    switch (iconState) {
    case StatusIcon::State::feeding:
    case StatusIcon::State::error:
        return iconState;
    case StatusIcon::State::idle:
    case StatusIcon::State::warning:
        break;
    }
    return StatusIcon::State::warning;
}

std::optional<QUrl> OnboardingRules::claimLink(const std::optional<FeederConfig::Links>& links)
{
    return links ? links->claimStation : std::nullopt;
}

QString OnboardingRules::websiteHost()
{
    return QStringLiteral("vireon.network");
}

QString OnboardingRules::claimLinkLabel()
{
    return QStringLiteral("Claim your station on ") + websiteHost() + QStringLiteral(" \u2192");
}

QString OnboardingRules::stationKeyHint()
{
    return QStringLiteral("Press \u201cConnect a receiver\u201d on ") + websiteHost() +
           QStringLiteral(
               " and paste the key here \u2014 that's how Vireon knows this feed is yours. You can "
               "paste the whole connector string; the uuid is extracted automatically.");
}

} // namespace vireon
