// Both decoder-file decoders on arbitrary bytes: no crash, no hang, and wherever our strict scanner
// accepts a document, Qt's own JSON parser must read the same figures from it.
#include "stats/StatsReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdint>
#include <cstdlib>

using vireon::StatsReader;

namespace {

// Qt parses every document our scanner accepts, except numbers beyond a double's range in places
// we never read.
QJsonObject parsedByQt(const QByteArray& bytes, bool& parsed)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError && error.error != QJsonParseError::IllegalNumber)
        std::abort();
    parsed = error.error == QJsonParseError::NoError;
    if (parsed && !document.isObject())
        std::abort();
    return document.object();
}

void crossCheckAircraft(const QByteArray& bytes, const StatsReader::AircraftFigures& figures)
{
    bool parsed = false;
    const QJsonObject object = parsedByQt(bytes, parsed);
    if (!parsed)
        return;
    const QJsonValue now = object.value(QLatin1String("now"));
    const QJsonValue aircraft = object.value(QLatin1String("aircraft"));
    if (!now.isDouble() || !aircraft.isArray() || aircraft.toArray().size() != figures.aircraftCount)
        std::abort();
    const auto msecs = static_cast<qint64>(std::round(now.toDouble() * 1000.0));
    if (figures.updatedAt.toMSecsSinceEpoch() != msecs)
        std::abort();
}

void crossCheckRate(const QByteArray& bytes, double rate)
{
    bool parsed = false;
    const QJsonObject object = parsedByQt(bytes, parsed);
    if (!parsed)
        return;
    const QJsonValue window = object.value(QLatin1String("last1min"));
    double expected = 0;
    if (window.isObject()) {
        const QJsonObject members = window.toObject();
        const QJsonValue start = members.value(QLatin1String("start"));
        const QJsonValue end = members.value(QLatin1String("end"));
        if (!start.isDouble() || !end.isDouble())
            std::abort();
        double seconds = end.toDouble() - start.toDouble();
        if (!(seconds >= 1.0))
            seconds = 1.0;
        // Qt holds large integers as doubles, so compare with a relative tolerance.
        expected = members.value(QLatin1String("messages")).toDouble(0.0) / seconds;
    } else if (!window.isUndefined() && !window.isNull()) {
        std::abort();
    }
    if (std::fabs(expected - rate) > 1e-9 * std::max(1.0, std::fabs(expected)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto figures = StatsReader::decodeAircraftFile(bytes))
        crossCheckAircraft(bytes, *figures);
    if (const auto stats = StatsReader::decodeStatsFile(bytes))
        crossCheckRate(bytes, stats->messageRate);
    return 0;
}
