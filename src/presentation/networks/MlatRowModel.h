#pragma once

#include "decoder/MlatClientStatus.h"
#include "decoder/MlatCommand.h"
#include "presentation/networks/ConnectorHealthLine.h"
#include "presentation/networks/MlatReadiness.h"

#include <QDateTime>
#include <optional>

namespace vireon {

// A network's MLAT as its row shows it: the two switches and, while MLAT is on, one line saying how
// it is doing or what it is waiting for.
struct MlatRowModel {
    bool on = true;
    bool hidden = false; // "Hide my station on coverage maps"
    std::optional<ConnectorHealthLine> line;
    bool operator==(const MlatRowModel&) const = default;

    struct Inputs {
        MlatCommand::Network network;
        StationConfig::Station station;
        bool feedingActive = false;
        // The feed's last launch planned a client for this network.
        bool planned = false;
        // That client, once the supervisor runs it.
        std::optional<MlatClientStatus> client;
        MlatReadiness readiness;
        QDateTime now;
    };

    // Figures older than this mean the link is gone, whatever the client last said.
    static constexpr qint64 staleAfterSeconds = 60;

    static MlatRowModel make(const Inputs& in);
};

} // namespace vireon
