#pragma once

#include "cli/CommandLine.h"

namespace vireon {

// Every mode but the tray, each in a QCoreApplication: no display is needed, and nothing here
// links a widget.
struct Commands {
    Commands() = delete;

    // The exit status of a headless start refused because an instance already runs; the service
    // unit does not restart on it.
    static constexpr int alreadyRunning = 4;
    // How long --status and --report wait for the running instance's whole answer.
    static constexpr int answerTimeoutMs = 5000;

    // Runs `command` in the application object that exists by now: its error if it has one, else
    // its mode; the tray mode arrives here only when there is no display for it.
    static int run(const CommandLine& command);

    static int printStatus();
    static int printReport();
    static int runHeadless();
};

} // namespace vireon
