#pragma once

#include <QString>

namespace vireon {

// One outbound connection of the decoder whose health is judged from the decoder's output.
struct MonitoredConnector {
    QString id; // key in the health map; unique within one start
    QString label;
    QString host;
    qint64 port = 0;
    bool isVireon = false;

    bool operator==(const MonitoredConnector&) const = default;
};

} // namespace vireon
