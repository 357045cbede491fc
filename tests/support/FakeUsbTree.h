#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace vireon::test {

// A temporary directory laid out like /sys/bus/usb/devices: each entry is a symlink to a device
// directory elsewhere in the tree, holding idVendor and idProduct as four hexadecimal digits and,
// when given, the product name, each with sysfs's trailing line feed.
class FakeUsbTree {
public:
    // The directory to hand to the probe.
    QString root() const { return m_dir.filePath(QStringLiteral("bus")); }

    // Plugs in a device under the entry name ("1-1", "1-1.4", "usb2", or an interface "1-1:1.0").
    bool addDevice(const QString& entry, quint16 vendor, quint16 product,
                   const std::optional<QString>& productName = std::nullopt);
    // Unplugs it: the entry and its device directory go.
    bool removeDevice(const QString& entry);
    // Writes one attribute file verbatim, creating the entry if needed (for malformed trees).
    bool writeAttribute(const QString& entry, const QString& attribute, const QByteArray& content);
    bool removeAttribute(const QString& entry, const QString& attribute)
    {
        return QFile::remove(device(entry) + u'/' + attribute);
    }

private:
    QString device(const QString& entry) const { return m_dir.filePath(QStringLiteral("devices/") + entry); }

    QTemporaryDir m_dir;
};

} // namespace vireon::test
