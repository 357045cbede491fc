#include "presentation/onboarding/DonePageModel.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "decoder/KeyTransmission.h"
#include "presentation/common/VireonWebsite.h"

namespace vireon {

DonePageModel DonePageModel::of(const AppState& state)
{
    const StatusPresentation::Shown shown = state.presentation();
    const StationConfig& station = state.stationConfig();
    DonePageModel model;
    model.statusDot = statusDotFor(shown.iconState);
    model.statusLine = shown.statusLine;
    model.offersStart = !state.isFeedingOrAwaitingStick();
    model.launchAtLogin = state.settings().launchAtLogin();
    if (state.remoteConfig().links)
        model.claimLink = state.remoteConfig().links->claimStation;
    model.stationKey = station.vireon.uuid.value_or(QString());
    model.keyWarning = KeyTransmission::primaryWarning(station, state.remoteConfig().ingest);
    return model;
}

StatusIcon::State DonePageModel::statusDotFor(StatusIcon::State iconState)
{
    switch (iconState) {
    case StatusIcon::State::feeding:
    case StatusIcon::State::error:
        return iconState;
    case StatusIcon::State::idle:
    case StatusIcon::State::warning:
        break;
    }
    return StatusIcon::State::warning;
}

QString DonePageModel::claimLinkLabel()
{
    return QStringLiteral("Claim your station on ") + vireonWebsiteHost() + QStringLiteral(" \u2192");
}

QString DonePageModel::stationKeyHint()
{
    return QStringLiteral("Press \u201cConnect a receiver\u201d on ") + vireonWebsiteHost() +
           QStringLiteral(
               " and paste the key here \u2014 that's how Vireon knows this feed is yours. You can "
               "paste the whole connector string; the uuid is extracted automatically.");
}

QString DonePageModel::feedingCaption()
{
    return QStringLiteral("The tray antenna turns green once data is flowing to Vireon.");
}

} // namespace vireon
