#pragma once

#include "config/StationConfig.h"
#include "decoder/ConnectorHealth.h"
#include "decoder/MlatClientStatus.h"
#include "decoder/RTLDeviceProbe.h"
#include "decoder/StickProblem.h"
#include "decoder/SupervisorState.h"
#include "network/FeederConfig.h"
#include "stats/StatsSnapshot.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace vireon {

class AppState;

// The plain-text support report: versions, decoder state, connections with their health, the
// station settings that matter, live figures, sticks on USB and the decoder's recent output. Station
// keys are shortened and the position rounded so the report can be shared.
struct Diagnostics {
    // Everything the report reads, taken from the live state in one pass; the report itself is then
    // a plain function of these values.
    struct Inputs {
        QString shortVersion; // empty reads "?"
        QString buildVersion; // empty reads "?"
        QString systemName;   // "Linux"
        QString systemVersion;
        QDateTime now;
        SupervisorState supervisorState = supervisor_state::Stopped{};
        std::optional<StickProblem> stickProblem;
        std::optional<QString> lastConnectorError;
        QHash<QString, ConnectorHealth> connectorHealth;
        QStringList logLines;
        StationConfig station;
        std::optional<QString> passedGain;     // the gain in the decoder's arguments as passed
        std::optional<QString> decoderPath;    // the decoder launched last, else the one found now
        std::optional<QString> decoderVersion; // as that decoder named it
        FeederConfig::Ingest ingest;
        StatsSnapshot snapshot;
        QList<RTLDeviceProbe::Device> devices;
        // Each network's mlat-client and its own log, in the order they were started.
        QList<MlatClientStatus> mlatClients{};
        QList<QStringList> mlatLogs{};
    };

    // Gathers the inputs (with one USB enumeration) and builds the report from them.
    static QString report(const AppState& state);
    static QString report(const Inputs& in);
};

} // namespace vireon
