#include "decoder/RTLDeviceProbe.h"

#include "platform/HexNumber.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vireon {
namespace {

struct KnownStick {
    quint16 vendorID;
    quint16 productID;
    const char* name;
};

// First match wins; no pair occurs twice.
constexpr KnownStick knownSticks[] = {
    {0x0BDA, 0x2832, "Generic RTL2832U"},
    {0x0BDA, 0x2838, "RTL2832U (RTL2838 DVB-T)"},
    {0x0413, 0x6680, "Leadtek WinFast DTV Dongle"},
    {0x0413, 0x6F0F, "Leadtek WinFast DTV Dongle mini"},
    {0x0458, 0x707F, "Genius TVGo DVB-T03"},
    {0x0CCD, 0x00A9, "Terratec Cinergy T Stick Black"},
    {0x0CCD, 0x00B3, "Terratec NOXON DAB/DAB+ Stick"},
    {0x0CCD, 0x00D3, "Terratec Cinergy T Stick RC (Rev.3)"},
    {0x0CCD, 0x00E0, "Terratec NOXON DAB Stick (Rev 2)"},
    {0x1D19, 0x1101, "Dexatek DK DVB-T Dongle"},
    {0x1D19, 0x1102, "Dexatek DK DVB-T Dongle (Logilink)"},
    {0x1F4D, 0xB803, "GTek T803"},
    {0x1F4D, 0xC803, "GTek T803 (Lifeview LV5TDLX)"},
};

// sysfs attributes are at most a page; anything longer is not one.
constexpr qint64 maxAttributeSize = 4096;

std::optional<QByteArray> readAttribute(const QDir& device, const QString& name)
{
    return RegularFile::read(device.filePath(name), maxAttributeSize);
}

// USB identifiers are 16-bit values that sysfs writes as four hexadecimal digits.
std::optional<qint64> readIdentifier(const QDir& device, const QString& name)
{
    const std::optional<QByteArray> text = readAttribute(device, name);
    if (!text)
        return std::nullopt;
    const QByteArray digits = text->trimmed();
    if (digits.size() > 4)
        return std::nullopt;
    return parseHexNumber(std::string_view(digits.constData(), size_t(digits.size())));
}

} // namespace

QString RTLDeviceProbe::Device::id() const
{
    return QString::number(vendorID) + QLatin1Char(':') + QString::number(productID) + QLatin1Char(':') +
           name;
}

QString RTLDeviceProbe::defaultUsbRoot()
{
    return QStringLiteral("/sys/bus/usb/devices");
}

std::optional<QString> RTLDeviceProbe::knownStickName(qint64 vendorID, qint64 productID)
{
    for (const KnownStick& stick : knownSticks) {
        if (stick.vendorID == vendorID && stick.productID == productID)
            return QString::fromLatin1(stick.name);
    }
    return std::nullopt;
}

QList<RTLDeviceProbe::Device> RTLDeviceProbe::findDevicesIn(const QList<Source>& passes)
{
    QList<Device> result;
    for (const Source& pass : passes) {
        if (!pass)
            continue;
        for (const RawDevice& raw : pass()) {
            const std::optional<QString> tableName = knownStickName(raw.vendorID, raw.productID);
            if (!tableName)
                continue;
            Device device{raw.vendorID, raw.productID, raw.productName.value_or(*tableName)};
            if (!result.contains(device))
                result.append(std::move(device));
        }
        if (!result.isEmpty())
            break;
    }
    return result;
}

QList<RTLDeviceProbe::RawDevice> RTLDeviceProbe::readSysfs(const QString& usbRoot)
{
    QList<RawDevice> devices;
    const QDir root(usbRoot);
    // Entries are symlinks into /sys/devices; QDir follows them. Names with a colon are the
    // interfaces of a device, not devices.
    const QStringList entries = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.contains(QLatin1Char(':')))
            continue;
        const QDir device(root.filePath(entry));
        const std::optional<qint64> vendorID = readIdentifier(device, QStringLiteral("idVendor"));
        const std::optional<qint64> productID = readIdentifier(device, QStringLiteral("idProduct"));
        if (!vendorID || !productID)
            continue;
        RawDevice raw{*vendorID, *productID, std::nullopt};
        // A blank product string names nothing, so the table's name is the better label.
        if (const std::optional<QByteArray> product = readAttribute(device, QStringLiteral("product"))) {
            const QString name = QString::fromUtf8(*product).trimmed();
            if (!name.isEmpty())
                raw.productName = name;
        }
        devices.append(std::move(raw));
    }
    return devices;
}

QList<RTLDeviceProbe::Device> RTLDeviceProbe::findDevices(const QString& usbRoot)
{
    return findDevicesIn({[usbRoot] { return readSysfs(usbRoot); }});
}

} // namespace vireon
