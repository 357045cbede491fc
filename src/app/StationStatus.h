#pragma once

#include "app/StatusIcon.h"

#include <QList>
#include <QString>

namespace vireon {

class AppState;

// The station's state as one short text for a shell, cron or a monitoring system: the status line,
// then one line per network with its health and last error, and an exit status that follows the
// icon's colour. The same reading serves `--status` and the headless log.
struct StationStatus {
    // The exit statuses of `--status`, in the order monitoring systems rank them.
    enum ExitCode : int { green = 0, orange = 1, redOrGrey = 2, notRunning = 3 };

    struct Network {
        enum class Health { off, notRunning, connecting, connected, retrying };
        QString label;
        Health health = Health::notRunning;
        QString lastError; // the decoder's words while retrying, station keys shortened

        bool operator==(const Network&) const = default;
    };

    struct Inputs {
        StatusIcon::State icon = StatusIcon::State::idle;
        QString statusLine;
        QList<Network> networks; // the primary network first, then the others in config.json's order

        bool operator==(const Inputs&) const = default;
    };

    static Inputs inputs(const AppState& state);

    static int exitCode(StatusIcon::State icon);
    // One network as a line: "Vireon: connected", "adsb.lol: retrying (Connection refused)".
    static QString networkLine(const Network& network);
    // The status line and the network lines, each ending in a line feed.
    static QString text(const Inputs& in);
};

} // namespace vireon
