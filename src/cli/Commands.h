#pragma once

#include "cli/CommandLine.h"

namespace vireon {

// The modes that answer and exit (help, version, status, report, and arguments that do not read),
// each in a QCoreApplication: no display is needed, and nothing here links a widget.
struct Commands {
    Commands() = delete;

    // How long --status and --report wait for the running instance's whole answer.
    static constexpr int answerTimeoutMs = 5000;

    // Runs `command` in the application object that exists by now: its error if it has one, else
    // its mode. The tray arrives here only when there is no display for it; --headless has an event
    // loop of its own (HeadlessService).
    static int run(const CommandLine& command);

    static int printStatus();
    static int printReport();
};

} // namespace vireon
