#pragma once

#include "config/StationConfig.h"

#include <QString>
#include <optional>

namespace vireon {

// The entries of the "Add a network" form as typed, what is wrong with them, and the connector they
// make. Host and UUID are judged as typed, blanks included, so what passes is what gets stored.
struct CustomNetworkInput {
    QString label;
    QString host;
    QString port = QStringLiteral("30004");
    QString protocolName = QStringLiteral("beast_reduce_plus_out");
    QString uuid;
    // host:port of the network's MLAT server; optional.
    QString mlatServer{};

    // The first problem, in a fixed order; absent also for an empty host, which only disables "Add".
    std::optional<QString> problem() const;
    bool canAdd() const { return !host.isEmpty() && !problem(); }

    // Absent unless canAdd().
    std::optional<StationConfig::ExtraConnector> connector() const;

    // What the decoder would make of the key on this connection, once the entries have no problem:
    // a key it would not send as typed is still a valid entry, but the user should know.
    std::optional<QString> keyWarning() const;

    // A whole decimal number with an optional sign and nothing else, within 1 to 65535.
    static std::optional<qint64> parsePort(const QString& text);

    // The protocol choices, sorted.
    static QStringList protocolChoices();

    bool operator==(const CustomNetworkInput&) const = default;
};

} // namespace vireon
