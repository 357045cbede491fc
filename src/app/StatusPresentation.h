#pragma once

#include "app/StatusIcon.h"
#include "decoder/ReadsbSupervisor.h"
#include "stats/StatsReader.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace vireon {

// The icon colour and the one status line. They are computed afresh, each time they are drawn, from
// a reading of the live state; nothing here is cached.
struct StatusPresentation {
    struct Inputs {
        std::optional<QString> configError;
        SupervisorState supervisorState = supervisor_state::Stopped{};
        bool vireonConnectorUp = false;
        StatsReader::Snapshot snapshot;
        bool vireonEnabled = true;
        bool feedingDesired = false;
        QDateTime now;
    };

    static StatusIcon::State iconState(const Inputs& in);
    static QString statusLine(const Inputs& in);

    // Connected to the primary network, and a fresh aircraft file shows messages flowing.
    static bool hasLiveData(const Inputs& in);
};

} // namespace vireon
