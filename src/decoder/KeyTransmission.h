#pragma once

#include "config/StationConfig.h"
#include "decoder/MonitoredConnector.h"
#include "network/FeederConfig.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vireon {

// What readsb 3.14 really sends of a connector's key: only on beast_reduce_plus_out (or to an
// ADSBExchange feed host), nothing below 28 characters, padded with "f" up to 36, cut after 36.
// Keys that the station's files accept can therefore be silently never sent, and the feed never
// attributed; this says so where the user sees the key.
struct KeyTransmission {
    KeyTransmission() = delete;

    static constexpr qsizetype sentLength = 36;
    static constexpr qsizetype shortestSent = 28;

    // The warning for this key on a connection with this protocol to this host; none when the key
    // reaches the network as typed (or there is no key).
    static std::optional<QString> warning(const QString& key, const QString& protocolName,
                                          const QString& host);

    // The station key on the primary network's connection as the next launch would make it: the
    // hand-written overrides in config.json decide where the key really goes.
    static std::optional<QString> primaryWarning(const StationConfig& station,
                                                 const FeederConfig::Ingest& ingest);
    // Another network's key on its own connection.
    static std::optional<QString> extraWarning(const StationConfig::ExtraConnector& connector);

    // One "supervisor: " log line for each "--net-connector" of the arguments whose key has a
    // warning, naming the connection by the label of the watched connector with its host and port.
    static QStringList launchLogLines(const QStringList& arguments,
                                      const QList<MonitoredConnector>& connectors);

    // Whether the decoder sends a key on this connection at all, whatever its length.
    static bool protocolSendsKey(const QString& protocolName, const QString& host);
};

} // namespace vireon
