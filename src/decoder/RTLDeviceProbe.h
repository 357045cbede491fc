#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace vireon {

// Which RTL2832U receiver sticks are plugged in right now. Only reads what the USB registry says
// about each device; never opens or claims one, so it is safe to call while the decoder holds the
// stick. Never fails: anything unreadable just yields fewer devices.
struct RTLDeviceProbe {
    struct Device {
        qint64 vendorID = 0;
        qint64 productID = 0;
        QString name;

        // "<vendor>:<product>:<name>", identifiers in decimal.
        QString id() const;
        bool operator==(const Device&) const = default;
    };

    // One USB device as a registry source reports it, before any matching.
    struct RawDevice {
        qint64 vendorID = 0;
        qint64 productID = 0;
        std::optional<QString> productName;
        bool operator==(const RawDevice&) const = default;
    };
    // One pass over the registry. A source that cannot be read yields an empty list.
    using Source = std::function<QList<RawDevice>()>;

    static QString defaultUsbRoot();
    static QList<Device> findDevices(const QString& usbRoot = defaultUsbRoot());

    // The matching rules over ordered passes: known-stick table, naming, de-duplication, and a
    // later pass only when the earlier ones found no known stick.
    static QList<Device> findDevicesIn(const QList<Source>& passes);

    // The Linux pass: every device entry under a directory laid out like /sys/bus/usb/devices, in
    // name order.
    static QList<RawDevice> readSysfs(const QString& usbRoot);

    // The table's name for a known stick.
    static std::optional<QString> knownStickName(qint64 vendorID, qint64 productID);

    RTLDeviceProbe() = delete;
};

} // namespace vireon
