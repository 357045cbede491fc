#include "app/NetworkEdits.h"

#include <QUuid>
#include <algorithm>
#include <utility>

namespace vireon {
namespace {

template <typename List, typename Item = typename List::value_type>
auto* firstWithId(List& list, const QString& id)
{
    auto it = std::find_if(list.begin(), list.end(), [&](const Item& item) { return item.id == id; });
    return it == list.end() ? nullptr : &*it;
}

} // namespace

StationConfig NetworkEdits::withEnabled(StationConfig station, const QString& key,
                                        const QList<FeederConfig::Preset>& presets, bool enabled)
{
    if (auto* existing = firstWithId(station.extraConnectors, key)) {
        existing->enabled = enabled;
    } else if (const auto* preset = firstWithId(presets, key); enabled && preset) {
        // Filled in member by member: GCC 12 at -O3 takes the copied empty MLAT server of a braced
        // temporary for uninitialised memory.
        StationConfig::ExtraConnector connector;
        connector.id = preset->id;
        connector.label = preset->label;
        connector.enabled = true;
        connector.host = preset->host;
        connector.port = preset->port;
        connector.protocolName = preset->protocolName;
        station.extraConnectors.append(std::move(connector));
    }
    return station;
}

std::optional<StationConfig> NetworkEdits::withUuid(StationConfig station, const QString& key,
                                                    const QString& text)
{
    auto* existing = firstWithId(station.extraConnectors, key);
    if (!existing)
        return std::nullopt;
    const QString trimmed = text.trimmed();
    existing->uuid = trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
    return station;
}

StationConfig NetworkEdits::withMlat(StationConfig station, const QString& key, bool enabled)
{
    if (key == QLatin1String("vireon"))
        station.vireon.mlat = enabled;
    else if (auto* existing = firstWithId(station.extraConnectors, key))
        existing->mlat = enabled;
    return station;
}

StationConfig NetworkEdits::withMlatPrivacy(StationConfig station, const QString& key, bool hidden)
{
    if (key == QLatin1String("vireon"))
        station.vireon.mlatPrivacy = hidden;
    else if (auto* existing = firstWithId(station.extraConnectors, key))
        existing->mlatPrivacy = hidden;
    return station;
}

StationConfig NetworkEdits::without(StationConfig station, const QString& key)
{
    station.extraConnectors.removeIf([&](const StationConfig::ExtraConnector& c) { return c.id == key; });
    return station;
}

StationConfig NetworkEdits::withAdded(StationConfig station, const StationConfig::ExtraConnector& connector)
{
    if (auto* existing = firstWithId(station.extraConnectors, connector.id))
        *existing = connector;
    else
        station.extraConnectors.append(connector);
    return station;
}

QString NetworkEdits::generatedUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

} // namespace vireon
