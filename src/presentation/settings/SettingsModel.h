#pragma once

#include "presentation/common/HearingModel.h"
#include "presentation/common/Tone.h"
#include "presentation/networks/NetworksModel.h"

#include <QString>
#include <optional>

namespace vireon {

class AppState;

// The settings form for one reading of the state, a part per section. The form computes it once per
// change of the state and hands each section its part.
struct SettingsModel {
    struct Station {
        QString name;
        double latitude = 0;
        double longitude = 0;
        std::optional<double> altitude;
        QString stationKey;
        // The decoder would not send the key as it is.
        std::optional<QString> keyWarning;
        // The aircraft heard are far from this position.
        std::optional<QString> positionWarning;
        bool operator==(const Station&) const = default;
    };
    struct Receiver {
        bool automatic = true;
        // The stored gain as a number, 43.9 when it is none (also for "auto").
        double manualGain = 43.9;
        QString gainLabel;
        // What the station hears with this gain, while it feeds.
        HearingModel hearing;
        bool operator==(const Receiver&) const = default;
    };
    struct Behavior {
        bool launchAtLogin = false;
        bool preventSleep = false;
        bool notify = true;
        bool operator==(const Behavior&) const = default;
    };

    // Above the form, so it is seen whichever field was changed.
    struct FileNote {
        QString text;
        Tone tone = Tone::secondary;
        bool operator==(const FileNote&) const = default;
    };

    std::optional<FileNote> fileNote;
    Station station;
    Receiver receiver;
    Behavior behavior;
    NetworksModel networks;
    // What the station lacks for MLAT, one sentence each; empty (and not shown) while no network
    // has MLAT on.
    QStringList mlatReadiness;
    // Why the decoder command was refused at the last start.
    std::optional<QString> configError;
    // The decoder runs, waits to restart or is starting: there is a feed to apply the settings to.
    bool applyEnabled = false;

    bool operator==(const SettingsModel&) const = default;

    static SettingsModel of(const AppState& state);

    static QString stationKeyHint();
    static std::optional<FileNote> fileNoteOf(const AppState& state);
};

} // namespace vireon
