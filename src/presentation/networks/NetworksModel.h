#pragma once

#include "config/StationConfig.h"
#include "decoder/ConnectorHealth.h"
#include "network/FeederConfig.h"
#include "presentation/common/Tone.h"
#include "presentation/networks/ConnectorHealthLine.h"
#include "presentation/networks/MlatRowModel.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace vireon {

class AppState;

// A line of small text under a control, and how it reads.
struct Note {
    QString text;
    Tone tone = Tone::secondary;
    bool operator==(const Note&) const = default;
};

// One network the station can feed, as its row shows it: everything the row displays, so the row
// only draws. Edits name the network by its key.
struct NetworkRowModel {
    // The id of its connector, else of its preset: what every edit finds the network by.
    QString key;
    // A preset row and a row of the user's own are different rows, even under one key.
    bool preset = false;
    QString title;
    bool enabled = false;
    std::optional<QUrl> siteUrl;
    // While the decoder runs and watches this network.
    std::optional<ConnectorHealthLine> health;
    // The key field, its note, the endpoint and Remove show only while the network is on.
    bool showsDetails = false;
    QString uuid;
    std::optional<Note> uuidNote;
    QString endpoint;
    bool removable = false;
    // When the network offers MLAT.
    std::optional<MlatRowModel> mlat;

    bool operator==(const NetworkRowModel&) const = default;
};

// Where the station's data goes: the primary network's switch with its live health and note, one
// row per offered network and per network of the user's own, and the notes under them.
struct NetworksModel {
    struct Inputs {
        StationConfig station;
        FeederConfig remote;
        bool feedingActive = false;
        QHash<QString, ConnectorHealth> health;
        QList<MlatCommand::Client> mlatPlan{};
        QList<MlatClientStatus> mlatClients{};
        MlatReadiness readiness{};
        QDateTime now{};
    };

    bool feedVireon = true;
    std::optional<ConnectorHealthLine> vireonHealth;
    // When the primary network's document names an MLAT server and the network is on.
    std::optional<MlatRowModel> vireonMlat;
    Note vireonNote;
    QList<NetworkRowModel> rows;
    // "2 networks enabled besides Vireon"; absent when none is.
    std::optional<QString> countText;
    QString localPortNote;

    bool operator==(const NetworksModel&) const = default;

    static NetworksModel of(const AppState& state);
    static NetworksModel make(const Inputs& in);
};

} // namespace vireon
