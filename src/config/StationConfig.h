#pragma once

#include "network/FeederConfig.h"

#include <QList>
#include <QString>
#include <optional>

namespace vireon {

// Everything that describes this receiving station and where its data goes, as held in config.json.
struct StationConfig {
    struct Station {
        QString name;
        double lat = 0;
        double lon = 0;
        QString gain = QStringLiteral("auto");
        // The antenna's height in metres above sea level; absent until the user gives it.
        std::optional<double> alt{};
        bool operator==(const Station&) const = default;
    };

    // The primary network's connection. host/port/protocolName are hand-edit overrides of the remote
    // ingest endpoint: read from the file, never written back.
    struct Vireon {
        bool enabled = true;
        std::optional<QString> host;
        std::optional<qint64> port;
        std::optional<QString> protocolName;
        std::optional<QString> uuid;
        // Whether the station takes part in MLAT where the network offers it, and whether its pin is
        // hidden on the network's coverage maps.
        bool mlat = true;
        bool mlatPrivacy = false;
        bool operator==(const Vireon&) const = default;
    };

    struct ExtraConnector {
        QString id;
        std::optional<QString> label;
        bool enabled = false;
        QString host;
        qint64 port = 0;
        QString protocolName;
        std::optional<QString> uuid;
        bool mlat = true;
        bool mlatPrivacy = false;
        // A network of the user's own names its MLAT server here; a preset's comes from the document.
        std::optional<FeederConfig::MlatServer> mlatServer{};
        bool operator==(const ExtraConnector&) const = default;
    };

    struct LocalOutputs {
        qint64 beastPort = 30005;
        QString jsonDir = QStringLiteral("readsb-json");
        bool operator==(const LocalOutputs&) const = default;
    };

    Station station;
    Vireon vireon;
    QList<ExtraConnector> extraConnectors;
    LocalOutputs localOutputs;

    bool operator==(const StationConfig&) const = default;

    // Whatever the user pasted (a bare key, or a whole host,port,protocol,uuid=KEY line) to the bare
    // station key; absent when nothing is left.
    static std::optional<QString> normalizeStationKey(const QString& text);
};

} // namespace vireon
