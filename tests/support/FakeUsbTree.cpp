#include "support/FakeUsbTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vireon::test {

FakeUsbTree::FakeUsbTree()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("bus/usb/devices"));
    QDir(m_dir.path()).mkpath(QStringLiteral("devices/pci0000:00/0000:00:14.0"));
}

QString FakeUsbTree::root() const
{
    return m_dir.filePath(QStringLiteral("bus/usb/devices"));
}

QString FakeUsbTree::deviceDirectory(const QString& entryName) const
{
    return m_dir.filePath(QStringLiteral("devices/pci0000:00/0000:00:14.0/") + entryName);
}

bool FakeUsbTree::addDevice(const QString& entryName, quint16 vendor, quint16 product,
                            const std::optional<QString>& productName)
{
    const auto hex = [](quint16 value) {
        return QByteArray::number(value, 16).rightJustified(4, '0') + '\n';
    };
    bool ok = writeAttribute(entryName, QStringLiteral("idVendor"), hex(vendor)) &&
              writeAttribute(entryName, QStringLiteral("idProduct"), hex(product));
    if (productName)
        ok = ok && writeAttribute(entryName, QStringLiteral("product"), productName->toUtf8() + '\n');
    return ok;
}

bool FakeUsbTree::removeDevice(const QString& entryName)
{
    const bool unlinked = QFile::remove(QDir(root()).filePath(entryName));
    return QDir(deviceDirectory(entryName)).removeRecursively() && unlinked;
}

bool FakeUsbTree::ensureEntry(const QString& entryName)
{
    const QString target = deviceDirectory(entryName);
    if (!QDir().mkpath(target))
        return false;
    const QFileInfo link(QDir(root()).filePath(entryName));
    return link.isSymLink() || QFile::link(target, link.filePath());
}

bool FakeUsbTree::writeAttribute(const QString& entryName, const QString& attribute,
                                 const QByteArray& content)
{
    if (!ensureEntry(entryName))
        return false;
    QFile file(QDir(deviceDirectory(entryName)).filePath(attribute));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

bool FakeUsbTree::removeAttribute(const QString& entryName, const QString& attribute)
{
    return QFile::remove(QDir(deviceDirectory(entryName)).filePath(attribute));
}

} // namespace vireon::test
