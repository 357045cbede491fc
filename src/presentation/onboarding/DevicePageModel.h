#pragma once

#include "decoder/RTLDeviceProbe.h"

#include <QList>
#include <QString>

namespace vireon {

class AppState;

// What the first page shows of the sticks found on USB. It only informs: nothing found is stored.
struct DevicePageModel {
    enum class Display { looking, noDevice, devices };

    struct Device {
        QString name;
        QString identifiers; // "USB 0bda:2838"
        bool operator==(const Device&) const = default;
    };

    Display display = Display::looking;
    QList<Device> devices;

    bool operator==(const DevicePageModel&) const = default;

    // Looks for sticks on the station's USB now: the page runs it each time it comes on screen and on
    // "Rescan". Before the first probe the page shows that it is looking.
    static DevicePageModel probe(const AppState& state);
    // probed: a probe has completed at least once.
    static DevicePageModel make(bool probed, const QList<RTLDeviceProbe::Device>& found);
};

} // namespace vireon
