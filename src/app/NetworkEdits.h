#pragma once

#include "config/StationConfig.h"
#include "network/FeederConfig.h"

#include <QList>
#include <QString>
#include <optional>

namespace vireon {

// What switching, keying, adding and removing a network does to the station configuration. Every
// edit returns the whole new configuration. A network is found by its key: the id of its extra
// connector, or of the preset it was made from; two connectors may share an id (a hand edit), and the
// first is the one that is edited.
struct NetworkEdits {
    NetworkEdits() = delete;

    // Switching off keeps the connector, with its UUID, for when it is switched on again; switching
    // on a preset never used before adds a connector made from it.
    static StationConfig withEnabled(StationConfig station, const QString& key,
                                     const QList<FeederConfig::Preset>& presets, bool enabled);
    // Blanks at the ends go; nothing left clears the UUID. Absent when no connector has the key.
    static std::optional<StationConfig> withUuid(StationConfig station, const QString& key,
                                                 const QString& text);
    // MLAT on or off, and the station's pin hidden or shown, for the network with the key; "vireon" is
    // the primary network. A key with no connector changes nothing.
    static StationConfig withMlat(StationConfig station, const QString& key, bool enabled);
    static StationConfig withMlatPrivacy(StationConfig station, const QString& key, bool hidden);
    // Every connector with the key goes, not only the first.
    static StationConfig without(StationConfig station, const QString& key);
    // The connector replaces the first one with its id, in place, or joins the end of the list.
    static StationConfig withAdded(StationConfig station, const StationConfig::ExtraConnector& connector);

    // A fresh random feeder UUID, canonical and lower case.
    static QString generatedUuid();
};

} // namespace vireon
