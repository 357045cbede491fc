#include "app/KeyWarnings.h"

#include "decoder/KeyTransmission.h"

namespace vireon {

std::optional<QString> KeyWarnings::primary(const StationConfig& station, const FeederConfig::Ingest& ingest)
{
    // Hand-written overrides in config.json decide where the key really goes.
    return KeyTransmission::warning(station.vireon.uuid.value_or(QString()),
                                    station.vireon.protocolName.value_or(ingest.protocolName),
                                    station.vireon.host.value_or(ingest.host));
}

std::optional<QString> KeyWarnings::extra(const StationConfig::ExtraConnector& connector)
{
    return KeyTransmission::warning(connector.uuid.value_or(QString()), connector.protocolName,
                                    connector.host);
}

} // namespace vireon
