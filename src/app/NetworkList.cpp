#include "app/NetworkList.h"

#include <QUuid>
#include <algorithm>

namespace vireon {
namespace {

// Two connectors may share an id (a hand edit); the first is the one the interface shows and edits.
template <typename Connectors>
auto* firstWithId(Connectors& connectors, const QString& id)
{
    auto it = std::find_if(connectors.begin(), connectors.end(),
                           [&](const StationConfig::ExtraConnector& c) { return c.id == id; });
    return it == connectors.end() ? nullptr : &*it;
}

} // namespace

QString NetworkList::Row::key() const
{
    if (connector)
        return connector->id;
    return preset ? preset->id : QString();
}

QString NetworkList::Row::title() const
{
    if (preset && preset->label)
        return *preset->label;
    if (connector)
        return connector->label.value_or(connector->id);
    return QStringLiteral("Network");
}

std::optional<QUrl> NetworkList::Row::siteURL() const
{
    return preset ? preset->registrationURL : std::nullopt;
}

QList<FeederConfig::Preset> NetworkList::presets(const FeederConfig& remote)
{
    return remote.presets.value_or(FeederConfig::builtInPresets());
}

QList<NetworkList::Row> NetworkList::rows(const StationConfig& station, const FeederConfig& remote)
{
    const QList<FeederConfig::Preset> offered = presets(remote);
    QList<Row> result;
    for (const FeederConfig::Preset& preset : offered) {
        Row row{preset, std::nullopt};
        if (const auto* match = firstWithId(std::as_const(station.extraConnectors), preset.id))
            row.connector = *match;
        result.append(row);
    }
    for (const StationConfig::ExtraConnector& connector : station.extraConnectors) {
        const bool matchesPreset =
            std::any_of(offered.begin(), offered.end(),
                        [&](const FeederConfig::Preset& p) { return p.id == connector.id; });
        if (!matchesPreset)
            result.append(Row{std::nullopt, connector});
    }
    return result;
}

int NetworkList::enabledCount(const StationConfig& station)
{
    return int(std::count_if(station.extraConnectors.begin(), station.extraConnectors.end(),
                             [](const StationConfig::ExtraConnector& c) { return c.enabled; }));
}

std::optional<QString> NetworkList::countText(int enabledCount)
{
    if (enabledCount < 1)
        return std::nullopt;
    return QString::number(enabledCount) + (enabledCount == 1
                                                ? QStringLiteral(" network enabled besides Vireon")
                                                : QStringLiteral(" networks enabled besides Vireon"));
}

StationConfig NetworkList::withEnabled(StationConfig station, const Row& row, bool enabled)
{
    if (auto* existing = firstWithId(station.extraConnectors, row.key())) {
        // Switching off keeps the connector, so its UUID is there again when switched back on.
        existing->enabled = enabled;
    } else if (enabled && row.preset) {
        const FeederConfig::Preset& preset = *row.preset;
        station.extraConnectors.append(StationConfig::ExtraConnector{
            preset.id, preset.label, true, preset.host, preset.port, preset.protocolName, std::nullopt});
    }
    return station;
}

std::optional<StationConfig> NetworkList::withUuid(StationConfig station, const QString& key,
                                                   const QString& text)
{
    auto* existing = firstWithId(station.extraConnectors, key);
    if (!existing)
        return std::nullopt;
    const QString trimmed = text.trimmed();
    existing->uuid = trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
    return station;
}

StationConfig NetworkList::withoutConnector(StationConfig station, const QString& key)
{
    station.extraConnectors.removeIf([&](const StationConfig::ExtraConnector& c) { return c.id == key; });
    return station;
}

QString NetworkList::generatedUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

} // namespace vireon
