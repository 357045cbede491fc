#pragma once

#include "decoder/MlatCommand.h"
#include "decoder/MlatOutputReader.h"
#include "decoder/MlatStats.h"
#include "decoder/SupervisorState.h"

#include <optional>

namespace vireon {

// One network's mlat-client as the views and the report see it.
struct MlatClientStatus {
    MlatCommand::Client client;
    SupervisorState state = supervisor_state::Stopped{};
    MlatLink link;
    // The figures of the current run; none until the client first writes them.
    std::optional<MlatStats> stats;
    bool operator==(const MlatClientStatus&) const = default;
};

} // namespace vireon
