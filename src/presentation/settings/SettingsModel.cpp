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
    model.fileNote = fileNoteOf(state);
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

std::optional<SettingsModel::FileNote> SettingsModel::fileNoteOf(const AppState& state)
{
    const auto& note = state.configFileNote();
    if (!note)
        return std::nullopt;
    using Kind = AppState::ConfigFileNote::Kind;
    if (note->kind == Kind::saveFailed) {
        return FileNote{QStringLiteral("Could not save config.json: %1. The form keeps your change and "
                                       "saves it with the next one; the file holds what it held.")
                            .arg(note->detail),
                        Tone::error};
    }
    return FileNote{QStringLiteral("config.json was a link to %1. It is now a file of its own; %1 was "
                                   "left as it was.")
                        .arg(note->detail),
                    Tone::warning};
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
