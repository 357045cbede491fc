#include "decoder/MlatStats.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace vireon {
namespace {

std::optional<double> number(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

// A whole number within what the figures can sensibly be; a wild value counts as missing rather
// than being converted out of range.
std::optional<qint64> count(const QJsonObject& object, const char* key)
{
    const std::optional<double> value = number(object, key);
    if (!value || std::abs(*value) > 1e15)
        return std::nullopt;
    return qint64(std::llround(*value));
}

// The client writes -1 for "no report in the last hour yet".
std::optional<double> percent(const QJsonObject& object, const char* key)
{
    const std::optional<double> value = number(object, key);
    if (!value || *value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<MlatStats> MlatStats::parse(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    MlatStats stats;
    if (const auto now = count(object, "now"))
        stats.written = QDateTime::fromSecsSinceEpoch(*now, Qt::UTC);
    stats.peers = count(object, "peer_count").value_or(0);
    stats.goodSyncPercent = percent(object, "good_sync_percentage_last_hour");
    stats.badSyncPercent = percent(object, "bad_sync_percentage_last_hour");
    stats.badSyncTimeout = count(object, "bad_sync_timeout").value_or(0);
    stats.outlierPercent = percent(object, "outlier_percent");
    return stats;
}

} // namespace vireon
