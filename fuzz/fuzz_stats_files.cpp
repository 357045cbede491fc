// Both decoder-file decoders on arbitrary bytes: no crash, no hang, and wherever our strict scanner
// accepts a document, Qt's own JSON parser must read the same figures from it: the aircraft count,
// the time, the positions, the message rate and the receiver's figures. Reading the aircraft file
// without its positions must give the same count and time and no positions.
//
// The positions and the receiver's figures are compared only where no object repeats a key: the
// reader stops at an entry's first "type" that rules it out and at its first complete set of
// members, and it adds a repeated "local" or "cpr" block to the one before, where Qt keeps a
// repeated key's last value. The decoder never repeats a key, so neither reading is wrong.
#include "FuzzRequire.h"
#include "stats/JsonScanner.h"
#include "stats/StatsReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

using vireon::AircraftPosition;
using vireon::JsonScanner;
using vireon::ReceiverFigures;
using vireon::StatsReader;

using vireon::fuzz::require;

namespace {

// Qt parses every document our scanner accepts, except numbers beyond a double's range in places
// we never read.
std::optional<QJsonObject> parsedByQt(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    require(error.error == QJsonParseError::NoError || error.error == QJsonParseError::IllegalNumber,
            "Qt reads what the scanner accepts");
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    require(document.isObject(), "an accepted file is an object");
    return document.object();
}

bool close(double a, double b)
{
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a));
}

// Qt holds every number as a double, so beyond 2^53 a whole number may have been rounded: there,
// only a figure's presence is compared, and not even that at the edge of 64 bits.
void expectInteger(const QJsonValue& value, const std::optional<qint64>& read, const char* what)
{
    if (!value.isDouble()) {
        require(!read, what);
        return;
    }
    const double number = value.toDouble();
    if (std::fabs(number) >= 0x1p62)
        return;
    require(read.has_value() == (std::trunc(number) == number), what);
    if (read)
        require(close(number, double(*read)), what);
}

void expectDouble(const QJsonValue& value, const std::optional<double>& read, const char* what)
{
    require(read.has_value() == value.isDouble(), what);
    if (read)
        require(close(value.toDouble(), *read), what);
}

// Whether some object in the value the scanner stands before names a key twice, found by walking the
// text itself.
bool repeatsAKey(JsonScanner& scanner)
{
    if (scanner.peek() == JsonScanner::Kind::array) {
        scanner.enterArray();
        while (scanner.nextElement()) {
            if (repeatsAKey(scanner))
                return true;
        }
        return false;
    }
    if (scanner.peek() != JsonScanner::Kind::object) {
        scanner.skipValue();
        return false;
    }
    scanner.enterObject();
    std::set<std::string> seen;
    std::string_view key;
    while (scanner.nextMember(key)) {
        if (!seen.insert(std::string(key)).second || repeatsAKey(scanner))
            return true;
    }
    return false;
}

bool repeatsAKey(const QByteArray& bytes)
{
    JsonScanner scanner(bytes);
    return repeatsAKey(scanner);
}

// Qt keeps an escaped surrogate that pairs with nothing as it is; the scanner, which hands out UTF-8,
// reads it as U+FFFD.
QString withLoneSurrogatesReplaced(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out.at(i).isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            ++i;
        else if (out.at(i).isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

// An aircraft's own recent position, as the decoder's documentation describes the entry.
std::optional<AircraftPosition> positionOf(const QJsonValue& entry)
{
    const QJsonObject aircraft = entry.toObject();
    const QJsonValue hex = aircraft.value(QLatin1String("hex"));
    const QJsonValue type = aircraft.value(QLatin1String("type"));
    const QJsonValue lat = aircraft.value(QLatin1String("lat"));
    const QJsonValue lon = aircraft.value(QLatin1String("lon"));
    const QJsonValue seen = aircraft.value(QLatin1String("seen_pos"));
    if (!hex.isString() || !type.isString() || !type.toString().startsWith(QLatin1String("adsb_icao")) ||
        !lat.isDouble() || !lon.isDouble() || !seen.isDouble())
        return std::nullopt;
    if (!(seen.toDouble() < 60) || !(std::fabs(lat.toDouble()) <= 90) || !(std::fabs(lon.toDouble()) <= 180))
        return std::nullopt;
    return AircraftPosition{withLoneSurrogatesReplaced(hex.toString()), lat.toDouble(), lon.toDouble()};
}

void crossCheckAircraft(const QByteArray& bytes, const StatsReader::AircraftFigures& figures)
{
    const std::optional<QJsonObject> object = parsedByQt(bytes);
    if (!object)
        return;
    const QJsonValue now = object->value(QLatin1String("now"));
    const QJsonValue aircraft = object->value(QLatin1String("aircraft"));
    require(now.isDouble() && aircraft.isArray(), "a readable aircraft file has a time and a list");
    const QJsonArray list = aircraft.toArray();
    require(list.size() == figures.aircraftCount, "every entry counts");
    const auto msecs = static_cast<qint64>(std::round(now.toDouble() * 1000.0));
    require(figures.updatedAt.toMSecsSinceEpoch() == msecs, "the time is the file's");

    if (repeatsAKey(bytes))
        return;
    QList<AircraftPosition> expected;
    for (const QJsonValue& entry : list) {
        if (const std::optional<AircraftPosition> position = positionOf(entry))
            expected.append(*position);
    }
    require(expected.size() == figures.positions.size(), "every own recent position is read, and no other");
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const AircraftPosition& a = expected.at(i);
        const AircraftPosition& b = figures.positions.at(i);
        require(a.hex == b.hex && close(a.latitude, b.latitude) && close(a.longitude, b.longitude),
                "a position is read as the file gives it");
    }
}

void crossCheckStats(const QByteArray& bytes, const StatsReader::StatsFigures& figures)
{
    const std::optional<QJsonObject> object = parsedByQt(bytes);
    if (!object)
        return;
    const ReceiverFigures& receiver = figures.receiver;
    const QJsonValue window = object->value(QLatin1String("last1min"));
    if (!window.isObject()) {
        require(window.isUndefined() || window.isNull(), "a window that is no object is unreadable");
        require(figures.messageRate == 0 && !receiver.messagesValid && !receiver.signalDbfs,
                "no window, no figures of a window");
    } else {
        const QJsonObject members = window.toObject();
        const QJsonValue start = members.value(QLatin1String("start"));
        const QJsonValue end = members.value(QLatin1String("end"));
        require(start.isDouble() && end.isDouble(), "a readable window has a start and an end");
        double seconds = end.toDouble() - start.toDouble();
        if (!(seconds >= 1.0))
            seconds = 1.0;
        const double expected = members.value(QLatin1String("messages")).toDouble(0.0) / seconds;
        require(close(expected, figures.messageRate), "the rate is the window's messages over its length");
    }
    if (repeatsAKey(bytes))
        return;

    const QJsonValue gain = object->value(QLatin1String("gain_db"));
    // A gain of 1000 dB or more is the decoder's way of saying it has no tuner.
    expectDouble(gain.isDouble() && gain.toDouble() < 1000 ? gain : QJsonValue(), receiver.gainDb, "gain");
    expectDouble(object->value(QLatin1String("estimated_ppm")), receiver.estimatedPpm, "ppm");
    expectInteger(object->value(QLatin1String("aircraft_without_pos")), receiver.aircraftWithoutPosition,
                  "aircraft without a position");

    const QJsonObject members = window.toObject();
    expectInteger(members.value(QLatin1String("messages_valid")), receiver.messagesValid, "valid messages");
    expectDouble(members.value(QLatin1String("max_distance")), receiver.maxDistanceMetres, "range");
    const QJsonObject local = members.value(QLatin1String("local")).toObject();
    expectDouble(local.value(QLatin1String("signal")), receiver.signalDbfs, "signal");
    expectDouble(local.value(QLatin1String("noise")), receiver.noiseDbfs, "noise");
    expectDouble(local.value(QLatin1String("peak_signal")), receiver.peakSignalDbfs, "peak signal");
    expectInteger(local.value(QLatin1String("strong_signals")), receiver.strongSignals, "strong signals");
    expectInteger(local.value(QLatin1String("samples_dropped")), receiver.samplesDropped, "dropped");
    expectInteger(local.value(QLatin1String("samples_lost")), receiver.samplesLost, "lost");
    const QJsonObject cpr = members.value(QLatin1String("cpr")).toObject();
    expectInteger(cpr.value(QLatin1String("global_ok")), receiver.positionsDecoded, "positions decoded");
    expectInteger(cpr.value(QLatin1String("global_range")), receiver.positionsOutOfRange, "out of range");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto figures = StatsReader::decodeAircraftFile(bytes);
    const auto countOnly = StatsReader::decodeAircraftFile(bytes, false);
    require(figures.has_value() == countOnly.has_value(), "the positions decide nothing about the file");
    if (figures) {
        require(countOnly->aircraftCount == figures->aircraftCount &&
                    countOnly->updatedAt == figures->updatedAt && countOnly->positions.isEmpty(),
                "without the positions, the same count and time");
        crossCheckAircraft(bytes, *figures);
    }
    if (const auto stats = StatsReader::decodeStatsFile(bytes))
        crossCheckStats(bytes, *stats);
    return 0;
}
