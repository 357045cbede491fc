#pragma once

#include "config/StationConfig.h"
#include "network/FeederConfig.h"

#include <QList>
#include <QString>
#include <optional>

namespace vireon {

// Which networks the settings offer, and what switching, keying and removing one does to the station
// configuration. Every edit returns the whole new configuration; the caller stores and saves it.
struct NetworkList {
    NetworkList() = delete;

    struct Row {
        std::optional<FeederConfig::Preset> preset;
        // The first extra connector with the row's id; absent for a preset never switched on.
        std::optional<StationConfig::ExtraConnector> connector;

        // What every edit of the row finds its connector by.
        QString key() const;
        QString title() const;
        bool isEnabled() const { return connector && connector->enabled; }
        std::optional<QUrl> siteURL() const;
        bool operator==(const Row&) const = default;
    };

    // The remote list when the document has one, even an empty one; otherwise the built-in presets.
    static QList<FeederConfig::Preset> presets(const FeederConfig& remote);
    // One row per preset, in preset order, then one per extra connector that matches no preset.
    static QList<Row> rows(const StationConfig& station, const FeederConfig& remote);

    // Extra connectors switched on, preset and custom alike.
    static int enabledCount(const StationConfig& station);
    // "2 networks enabled besides Vireon"; absent when none is.
    static std::optional<QString> countText(int enabledCount);

    static StationConfig withEnabled(StationConfig station, const Row& row, bool enabled);
    // Absent when the row has no connector to take the key.
    static std::optional<StationConfig> withUuid(StationConfig station, const QString& key,
                                                 const QString& text);
    static StationConfig withoutConnector(StationConfig station, const QString& key);

    // A fresh random feeder UUID, canonical and lower case.
    static QString generatedUuid();
};

} // namespace vireon
