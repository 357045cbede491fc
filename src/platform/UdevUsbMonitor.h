#pragma once

#include "platform/UsbMonitor.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace vireon {

// USB devices as udev announces them over its netlink socket, read whenever the socket has something
// (a QSocketNotifier on the GUI thread: receiving never blocks).
class UdevUsbMonitor final : public UsbMonitor {
    Q_OBJECT
public:
    explicit UdevUsbMonitor(QObject* parent = nullptr);
    ~UdevUsbMonitor() override;

    // Whether the system's events reach us at all.
    bool isListening() const { return m_notifier != nullptr; }

private:
    void receive();

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vireon
