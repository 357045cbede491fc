#pragma once

namespace vireon {

// Why the supervisor gave up on the decoder. Restarting cannot help with any of these; the owner
// retries with a fresh start (or, for noDevice, once a stick is plugged in again).
enum class SupervisorFailure {
    binaryMissing, // no decoder executable, or the system refused to run it
    deviceBusy,    // another program holds the receiver stick
    noDevice,      // no receiver stick found
    crashLoop,     // six exits within five minutes
};

} // namespace vireon
