#pragma once

#include <QObject>
#include <memory>

namespace vireon {

// Tells at once when a USB device comes or goes, so a stick plugged in is used within a moment and
// one pulled out is named at once, instead of at the next poll. Without the system's device events
// (a container, no udev) it never tells anything, and the polls carry on as before.
class UsbMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~UsbMonitor() override = default;

    // The system's device events (udev), or a monitor that stays silent where there are none.
    static std::unique_ptr<UsbMonitor> desktop();

Q_SIGNALS:
    // A USB device was added (true) or removed (false).
    void deviceChanged(bool added);
};

} // namespace vireon
