#pragma once

#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace vireon::test {

// A temporary directory laid out like /sys/bus/usb/devices: each entry is a symlink to a device
// directory elsewhere in the tree, holding idVendor and idProduct as four hexadecimal digits and,
// when given, the product name, each with sysfs's trailing line feed.
class FakeUsbTree {
public:
    FakeUsbTree();
    FakeUsbTree(const FakeUsbTree&) = delete;
    FakeUsbTree& operator=(const FakeUsbTree&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    // The directory to hand to the probe.
    QString root() const;

    // Plugs in a device under the entry name ("1-1", "1-1.4", "usb2", or an interface "1-1:1.0").
    bool addDevice(const QString& entryName, quint16 vendor, quint16 product,
                   const std::optional<QString>& productName = std::nullopt);
    // Unplugs it: the entry and its device directory go.
    bool removeDevice(const QString& entryName);
    // Writes one attribute file of an entry's device directory verbatim, creating the entry if
    // needed (for malformed trees).
    bool writeAttribute(const QString& entryName, const QString& attribute, const QByteArray& content);
    bool removeAttribute(const QString& entryName, const QString& attribute);

private:
    QString deviceDirectory(const QString& entryName) const;
    bool ensureEntry(const QString& entryName);

    QTemporaryDir m_dir;
};

} // namespace vireon::test
