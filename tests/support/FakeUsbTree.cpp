#include "support/FakeUsbTree.h"

#include <QDir>
#include <QFile>

namespace vireon::test {

bool FakeUsbTree::addDevice(const QString& entry, quint16 vendor, quint16 product,
                            const std::optional<QString>& productName)
{
    const auto hex = [](quint16 value) {
        return QByteArray::number(value, 16).rightJustified(4, '0') + '\n';
    };
    return writeAttribute(entry, QStringLiteral("idVendor"), hex(vendor)) &&
           writeAttribute(entry, QStringLiteral("idProduct"), hex(product)) &&
           (!productName || writeAttribute(entry, QStringLiteral("product"), productName->toUtf8() + '\n'));
}

bool FakeUsbTree::removeDevice(const QString& entry)
{
    return QFile::remove(root() + u'/' + entry) && QDir(device(entry)).removeRecursively();
}

bool FakeUsbTree::writeAttribute(const QString& entry, const QString& attribute, const QByteArray& content)
{
    const QString link = root() + u'/' + entry;
    if (!QDir().mkpath(device(entry)) || !QDir().mkpath(root()) ||
        (!QFileInfo(link).isSymLink() && !QFile::link(device(entry), link)))
        return false;
    QFile file(device(entry) + u'/' + attribute);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

} // namespace vireon::test
