#pragma once

#include "config/StationConfig.h"
#include "network/FeederConfig.h"

#include <QString>
#include <optional>

namespace vireon {

// The warning to show under a key field when the decoder would not send that key as typed: for the
// station key, on the primary network's connection as the next launch would make it; for another
// network, on its own connection.
struct KeyWarnings {
    KeyWarnings() = delete;

    static std::optional<QString> primary(const StationConfig& station, const FeederConfig::Ingest& ingest);
    static std::optional<QString> extra(const StationConfig::ExtraConnector& connector);
};

} // namespace vireon
