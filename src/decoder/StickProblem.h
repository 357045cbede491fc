#pragma once

#include <QString>
#include <optional>
#include <string_view>

namespace vireon {

// Causes of a stick failure that the user can fix on Linux, told apart by the lines librtlsdr and
// the decoder write. They refine the failure kinds (deviceBusy, noDevice) without replacing them:
// "another program holds the stick" would send the user looking in the wrong place.
enum class StickProblem {
    permissionDenied,  // usb_open error -3: this account may not open the stick
    kernelDriverHolds, // the DVB-T kernel driver holds the stick and could not be detached
    lostWhileRunning,  // the stick went away while the decoder was reading from it
};

struct StickProblems {
    StickProblems() = delete;

    // The cause named by one line of decoder output, given in lower case.
    static std::optional<StickProblem> inLine(std::string_view lowered);

    // One sentence naming the cause, for the report's "Stick problem: " line.
    static QString cause(StickProblem problem);

    // What to do about it.
    static QString remedy(StickProblem problem);

    // The panel's failure hint: the cause, then the remedy.
    static QString hint(StickProblem problem);
};

} // namespace vireon
