#pragma once

#include "app/StatusIcon.h"
#include "decoder/SupervisorState.h"
#include "stats/StatsSnapshot.h"

#include <QDateTime>
#include <QString>
#include <chrono>
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
        // The time source's elapsed(), and when on it the snapshot's updatedAt was first read.
        std::chrono::milliseconds elapsed{0};
        std::optional<std::chrono::milliseconds> updatedAtFirstRead{};
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
    // How long data that is live now stays so by age alone; none when it is not live.
    static std::optional<std::chrono::milliseconds> liveDataRemaining(const Inputs& in);
};

} // namespace vireon
