#include "platform/UdevUsbMonitor.h"

#include <QSocketNotifier>
#include <cstring>
#include <libudev.h>

namespace vireon {

std::unique_ptr<UsbMonitor> UsbMonitor::desktop()
{
    return std::make_unique<UdevUsbMonitor>();
}

UdevUsbMonitor::UdevUsbMonitor(QObject* parent) : UsbMonitor(parent)
{
    m_udev = udev_new();
    if (!m_udev)
        return;
    // "udev" events come after udev has set the device up (its rules, its permissions), so a stick
    // announced here can already be opened by the decoder.
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0)
        return;
    const int fd = udev_monitor_get_fd(m_monitor);
    if (fd < 0)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevUsbMonitor::receive);
}

UdevUsbMonitor::~UdevUsbMonitor()
{
    delete m_notifier;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

void UdevUsbMonitor::receive()
{
    // The socket is non-blocking: everything queued is taken, then the next notice is awaited.
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const char* action = udev_device_get_action(device);
        const bool added = action && std::strcmp(action, "add") == 0;
        const bool removed = action && std::strcmp(action, "remove") == 0;
        udev_device_unref(device);
        if (added || removed)
            Q_EMIT deviceChanged(added);
    }
}

} // namespace vireon
