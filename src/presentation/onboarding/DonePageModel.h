#pragma once

#include "app/StatusIcon.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace vireon {

class AppState;

// The last page of onboarding: the live status, the way to start, the login item and the station key.
struct DonePageModel {
    // Green while feeding, red on an error, orange otherwise.
    StatusIcon::State statusDot = StatusIcon::State::warning;
    QString statusLine;
    // "Start Feeding", or the caption saying the antenna turns green once data flows. Waiting for the
    // stick counts as feeding here: the feed resumes by itself.
    bool offersStart = true;
    bool launchAtLogin = false;
    // Only when the remote configuration links a claim page.
    std::optional<QUrl> claimLink;
    QString stationKey;
    // The decoder would not send the key as it is.
    std::optional<QString> keyWarning;

    bool operator==(const DonePageModel&) const = default;

    static DonePageModel of(const AppState& state);

    static StatusIcon::State statusDotFor(StatusIcon::State iconState);
    static QString claimLinkLabel();
    static QString stationKeyHint();
    static QString feedingCaption();
};

} // namespace vireon
