#include "presentation/networks/NetworksModel.h"

#include "app/AppState.h"
#include "app/Redaction.h"
#include "decoder/KeyTransmission.h"
#include "decoder/MlatSupervisor.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"
#include "stats/StatsReader.h"

#include <algorithm>

namespace vireon {
namespace {

const QString vireonOnNote = QStringLiteral(
    "The network this app is made for. Turning it off is allowed and free \u2014 the other networks below "
    "keep working, but the tray icon can't go green, because green means the Vireon connector is healthy.");
const QString vireonOffNote =
    QStringLiteral("Vireon feeding is paused. This station currently feeds only the networks enabled below.");

// Two connectors may share an id (a hand edit); the first is the one the interface shows and edits.
const StationConfig::ExtraConnector* firstWithId(const StationConfig& station, const QString& id)
{
    const auto& list = station.extraConnectors;
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const StationConfig::ExtraConnector& c) { return c.id == id; });
    return it == list.end() ? nullptr : &*it;
}

std::optional<Note> uuidNote(const StationConfig::ExtraConnector& connector)
{
    if (!connector.uuid)
        return Note{
            QStringLiteral("Without a UUID the network still accepts data, but can't attribute it to you."),
            Tone::secondary};
    if (!ReadsbCommand::isValidUuid(*connector.uuid))
        return Note{
            QStringLiteral("Invalid UUID \u2014 letters, digits and dashes only. The feed won't start "
                           "until this is fixed."),
            Tone::error};
    // A valid key the decoder would not send as typed.
    if (const std::optional<QString> warning = KeyTransmission::extraWarning(connector))
        return Note{*warning, Tone::warning};
    return std::nullopt;
}

std::optional<MlatRowModel> mlatRow(const NetworksModel::Inputs& in,
                                    const QList<MlatCommand::Network>& offering, const QString& id)
{
    const auto network = std::find_if(offering.begin(), offering.end(),
                                      [&](const MlatCommand::Network& n) { return n.id == id; });
    if (network == offering.end())
        return std::nullopt;
    MlatRowModel::Inputs inputs{
        *network, in.station.station, in.feedingActive, false, std::nullopt, in.readiness, in.now};
    inputs.planned = std::any_of(in.mlatPlan.begin(), in.mlatPlan.end(),
                                 [&](const MlatCommand::Client& c) { return c.id == id; });
    for (const MlatClientStatus& client : in.mlatClients) {
        if (client.client.id == id)
            inputs.client = client;
    }
    return MlatRowModel::make(inputs);
}

NetworkRowModel row(const NetworksModel::Inputs& in, const FeederConfig::Preset* preset,
                    const StationConfig::ExtraConnector* connector, const QStringList& keys,
                    const QList<MlatCommand::Network>& offering)
{
    NetworkRowModel row;
    row.key = connector ? connector->id : preset->id;
    row.preset = preset != nullptr;
    if (preset && preset->label)
        row.title = *preset->label;
    else if (connector)
        row.title = connector->label.value_or(connector->id);
    else
        row.title = QStringLiteral("Network");
    row.enabled = connector && connector->enabled;
    if (preset)
        row.siteUrl = preset->registrationUrl;
    if (row.enabled)
        row.health = ConnectorHealthLine::make(in.feedingActive, in.health, row.key, keys);
    if (!connector)
        return row;
    row.showsDetails = row.enabled;
    row.uuid = connector->uuid.value_or(QString());
    row.uuidNote = uuidNote(*connector);
    row.endpoint = connector->host + QLatin1Char(':') + QString::number(connector->port);
    // A preset network is switched off, never removed; the user's own go with "Remove".
    row.removable = !preset;
    // The first connector with an id is the one MLAT runs for; a second one shows no MLAT of its own.
    if (firstWithId(in.station, connector->id) == connector)
        row.mlat = mlatRow(in, offering, connector->id);
    return row;
}

} // namespace

NetworksModel NetworksModel::make(const Inputs& in)
{
    const StationConfig& station = in.station;
    const QStringList keys = Redaction::stationKeys(station);
    NetworksModel model;
    model.feedVireon = station.vireon.enabled;
    if (station.vireon.enabled)
        model.vireonHealth =
            ConnectorHealthLine::make(in.feedingActive, in.health, QStringLiteral("vireon"), keys);
    model.vireonNote =
        station.vireon.enabled ? Note{vireonOnNote, Tone::secondary} : Note{vireonOffNote, Tone::warning};
    const QList<MlatCommand::Network> offering = MlatCommand::networks(station, in.remote);
    if (station.vireon.enabled)
        model.vireonMlat = mlatRow(in, offering, MlatCommand::primaryId);

    // One row per offered network, in the document's order, then one per connector of the user's own.
    const QList<FeederConfig::Preset>& offered = in.remote.offeredPresets();
    for (const FeederConfig::Preset& preset : offered)
        model.rows.append(row(in, &preset, firstWithId(station, preset.id), keys, offering));
    for (const StationConfig::ExtraConnector& connector : station.extraConnectors) {
        const bool matchesPreset =
            std::any_of(offered.begin(), offered.end(),
                        [&](const FeederConfig::Preset& p) { return p.id == connector.id; });
        if (!matchesPreset)
            model.rows.append(row(in, nullptr, &connector, keys, offering));
    }

    const auto enabled = std::count_if(station.extraConnectors.begin(), station.extraConnectors.end(),
                                       [](const StationConfig::ExtraConnector& c) { return c.enabled; });
    if (enabled > 0) {
        model.countText =
            QString::number(enabled) + (enabled == 1 ? QStringLiteral(" network enabled besides Vireon")
                                                     : QStringLiteral(" networks enabled besides Vireon"));
    }
    model.localPortNote =
        QStringLiteral("FR24 and RadarBox need their own feeder client; point it at localhost:") +
        QString::number(station.localOutputs.beastPort) +
        QStringLiteral(", which stays open regardless of these settings.");
    return model;
}

NetworksModel NetworksModel::of(const AppState& state)
{
    const QDateTime now = state.timeSource().now();
    return make(Inputs{state.stationConfig(), state.remoteConfig(), state.isFeedingActive(),
                       state.supervisor().connectorHealth(), state.mlatPlan(), state.mlat().clients(),
                       MlatReadiness::of(state.stationConfig().station, state.clockSynchronised(),
                                         state.stats().snapshot(), now),
                       now});
}

} // namespace vireon
