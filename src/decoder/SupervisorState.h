#pragma once

#include "decoder/SupervisorFailure.h"

#include <QDateTime>
#include <variant>

namespace vireon {

namespace supervisor_state {

// The decoder was started successfully at `since`.
struct Running {
    QDateTime since;
    bool operator==(const Running&) const = default;
};

// The decoder died; restart number `attempt` (1 for the first) is due at `nextAttempt`.
struct Backoff {
    QDateTime nextAttempt;
    qint64 attempt = 0;
    bool operator==(const Backoff&) const = default;
};

// Given up until the next start or stop.
struct Failed {
    SupervisorFailure failure = SupervisorFailure::binaryMissing;
    bool operator==(const Failed&) const = default;
};

// Not running and not wanted.
struct Stopped {
    bool operator==(const Stopped&) const = default;
};

// A launch is under way, also while a replaced decoder is still exiting.
struct Launching {
    bool operator==(const Launching&) const = default;
};

} // namespace supervisor_state

using SupervisorState =
    std::variant<supervisor_state::Running, supervisor_state::Backoff, supervisor_state::Failed,
                 supervisor_state::Stopped, supervisor_state::Launching>;

} // namespace vireon
