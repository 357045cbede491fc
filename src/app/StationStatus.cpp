#include "app/StationStatus.h"

#include "app/AppState.h"
#include "app/Redaction.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"

namespace vireon {
namespace {

using Health = StationStatus::Network::Health;

QString healthName(Health health)
{
    switch (health) {
    case Health::off:
        return QStringLiteral("switched off");
    case Health::notRunning:
        return QStringLiteral("not running");
    case Health::connecting:
        return QStringLiteral("connecting");
    case Health::connected:
        return QStringLiteral("connected");
    case Health::retrying:
        return QStringLiteral("retrying");
    }
    return QStringLiteral("?");
}

} // namespace

StationStatus::Inputs StationStatus::inputs(const AppState& state)
{
    const ReadsbSupervisor& supervisor = state.supervisor();
    const StationConfig& station = state.configStore().config();
    const QStringList keys = Redaction::stationKeys(station);
    // What the last decoder said of a connection is no news of it once no decoder runs.
    const bool decoderRuns = state.isFeedingActive();

    Inputs in{state.iconState(), state.statusLine(), {}};
    if (!station.vireon.enabled)
        in.networks.append({QStringLiteral("Vireon"), Health::off, {}});
    for (const auto& connector : ReadsbCommand::connectors(station, state.remoteConfig().ingest)) {
        Network network{connector.label, Health::notRunning, {}};
        const auto health = supervisor.connectorHealth().constFind(connector.id);
        if (decoderRuns && health != supervisor.connectorHealth().constEnd()) {
            switch (health->kind) {
            case ConnectorHealth::Kind::connecting:
                network.health = Health::connecting;
                break;
            case ConnectorHealth::Kind::connected:
                network.health = Health::connected;
                break;
            case ConnectorHealth::Kind::retrying:
                network.health = Health::retrying;
                network.lastError = Redaction::redacted(health->reason, keys).simplified();
                break;
            }
        }
        in.networks.append(network);
    }
    for (const auto& extra : station.extraConnectors) {
        if (!extra.enabled)
            in.networks.append({extra.label.value_or(extra.id), Health::off, {}});
    }
    return in;
}

int StationStatus::exitCode(StatusIcon::State icon)
{
    switch (icon) {
    case StatusIcon::State::feeding:
        return green;
    case StatusIcon::State::warning:
        return orange;
    case StatusIcon::State::error:
    case StatusIcon::State::idle:
        return redOrGrey;
    }
    return redOrGrey;
}

QString StationStatus::networkLine(const Network& network)
{
    QString line = network.label + QStringLiteral(": ") + healthName(network.health);
    if (!network.lastError.isEmpty())
        line += QStringLiteral(" (") + network.lastError + u')';
    return line;
}

QString StationStatus::text(const Inputs& in)
{
    QString text = in.statusLine + u'\n';
    for (const Network& network : in.networks)
        text += networkLine(network) + u'\n';
    return text;
}

} // namespace vireon
