#include "presentation/settings/SettingsModel.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "decoder/KeyTransmission.h"
#include "presentation/common/VireonWebsite.h"
#include "presentation/settings/GainInput.h"
#include "stats/StatsReader.h"

#include <algorithm>

namespace vireon {
namespace {

QStringList readinessNotes(const AppState& state)
{
    const StationConfig& config = state.stationConfig();
    const QList<MlatCommand::Network> offering = MlatCommand::networks(config, state.remoteConfig());
    const bool anyOn = std::any_of(offering.begin(), offering.end(),
                                   [](const MlatCommand::Network& n) { return n.enabled && n.mlat; });
    if (!anyOn)
        return {};
    return MlatReadiness::of(config.station, state.clockSynchronised(), state.stats().snapshot(),
                             state.timeSource().now())
        .notes();
}

} // namespace

SettingsModel SettingsModel::of(const AppState& state)
{
    const StationConfig& config = state.stationConfig();
    const auto verdict = state.positionVerdict();
    SettingsModel model;
    model.station = Station{config.station.name,
                            config.station.lat,
                            config.station.lon,
                            config.station.alt,
                            config.vireon.uuid.value_or(QString()),
                            KeyTransmission::primaryWarning(config, state.remoteConfig().ingest),
                            verdict ? std::optional(PositionCheck::warning(*verdict)) : std::nullopt};
    const double manual = GainInput::manualGain(config.station.gain);
    model.receiver = Receiver{GainInput::isAuto(config.station.gain), manual, GainInput::label(manual),
                              state.isFeedingActive() ? HearingModel::make(state.stats().snapshot().receiver)
                                                      : HearingModel{}};
    model.behavior = Behavior{state.settings().launchAtLogin(), state.settings().preventSleepWhileFeeding(),
                              state.settings().notifyWhenAttentionNeeded()};
    model.networks = NetworksModel::of(state);
    model.mlatReadiness = readinessNotes(state);
    model.configError = state.configError();
    model.applyEnabled = state.isFeedingActive();
    return model;
}

QString SettingsModel::stationKeyHint()
{
    return QStringLiteral("From ") + vireonWebsiteHost() +
           QStringLiteral(
               " \u2192 \u201cConnect a receiver\u201d. Paste the uuid \u2014 or the whole connector "
               "string, the key is extracted automatically. Without it your feed isn't attributed to "
               "your station.");
}

} // namespace vireon
