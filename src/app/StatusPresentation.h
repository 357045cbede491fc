#pragma once

#include "app/StatusIcon.h"
#include "decoder/SupervisorState.h"
#include "stats/StatsSnapshot.h"

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
        StatsSnapshot snapshot;
        bool vireonEnabled = true;
        bool feedingDesired = false;
        QDateTime now;
        // The system said the stick went; the decoder has yet to notice.
        bool stickUnplugged = false;
    };

    // The icon and the line together, as every view draws them from one reading.
    struct Shown {
        StatusIcon::State iconState = StatusIcon::State::idle;
        QString statusLine;
        bool operator==(const Shown&) const = default;
    };

    static StatusIcon::State iconState(const Inputs& in);
    static QString statusLine(const Inputs& in);
    static Shown shown(const Inputs& in) { return Shown{iconState(in), statusLine(in)}; }

    // Connected to the primary network, and a fresh aircraft file shows messages flowing.
    static bool hasLiveData(const Inputs& in);
    // When data that is live now turns stale by age alone; none when it is not live.
    static std::optional<QDateTime> liveDataExpiry(const Inputs& in);
};

} // namespace vireon
