#pragma once

#include <QByteArray>
#include <QDateTime>
#include <optional>

namespace vireon {

// What mlat-client last wrote to its --stats-json file: the server's view of this station's clock
// synchronisation. The client writes it whenever the server sends its figures, so its age says
// whether the connection is still alive.
struct MlatStats {
    std::optional<QDateTime> written; // "now", in whole seconds
    qint64 peers = 0;
    // Shares of the last hour's reports with good and with bad sync; absent before the first one.
    std::optional<double> goodSyncPercent;
    std::optional<double> badSyncPercent;
    qint64 badSyncTimeout = 0; // seconds the server still ignores this station for bad sync
    std::optional<double> outlierPercent;

    bool operator==(const MlatStats&) const = default;

    // Absent when the bytes are not a JSON object; a missing or malformed field is left at its default.
    static std::optional<MlatStats> parse(const QByteArray& bytes);
};

} // namespace vireon
