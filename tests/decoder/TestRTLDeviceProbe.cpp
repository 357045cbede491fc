#include "decoder/RTLDeviceProbe.h"
#include "support/FakeUsbTree.h"

#include <QtTest>

using vireon::RTLDeviceProbe;
using vireon::test::FakeUsbTree;
using Device = RTLDeviceProbe::Device;
using RawDevice = RTLDeviceProbe::RawDevice;

namespace {

struct Entry {
    const char* name;
    quint16 vendor, product;
    std::optional<QString> productName;
};
using Tree = QList<Entry>;

const QString generic = QStringLiteral("Generic RTL2832U");
const QString rtl2838 = QStringLiteral("RTL2832U (RTL2838 DVB-T)");

} // namespace

Q_DECLARE_METATYPE(Tree)

class TestRTLDeviceProbe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsKnownSticksInATree_data()
    {
        QTest::addColumn<Tree>("tree");
        QTest::addColumn<QList<Device>>("expected");
        QTest::newRow("no stick among hubs and a keyboard gives an empty list")
            << Tree{{"usb1", 0x1d6b, 0x0002, "xHCI Host Controller"}, {"1-2", 0x046d, 0xc31c, "USB Keyboard"}}
            << QList<Device>{};
        QTest::newRow("a stick without its own name takes the table's name")
            << Tree{{"1-1", 0x0bda, 0x2832, {}}} << QList<Device>{{0x0bda, 0x2832, generic}};
        QTest::newRow("a stick that reports a name keeps its own name")
            << Tree{{"1-1", 0x0bda, 0x2838, "Blog V4"}} << QList<Device>{{0x0bda, 0x2838, "Blog V4"}};
        QTest::newRow("a blank reported name falls back to the table's name")
            << Tree{{"1-1", 0x0bda, 0x2838, "  "}} << QList<Device>{{0x0bda, 0x2838, rtl2838}};
        QTest::newRow("two identical sticks with one name give one entry")
            << Tree{{"1-1", 0x0bda, 0x2838, {}}, {"1-3", 0x0bda, 0x2838, {}}}
            << QList<Device>{{0x0bda, 0x2838, rtl2838}};
        QTest::newRow("two identical sticks with different names give two entries in registry order")
            << Tree{{"1-3", 0x0bda, 0x2838, "Blog V4"}, {"1-1.4", 0x0bda, 0x2838, "RTL2838UHIDIR"}}
            << QList<Device>{{0x0bda, 0x2838, "RTL2838UHIDIR"}, {0x0bda, 0x2838, "Blog V4"}};
        QTest::newRow("an RTL2832U with a pair that is not in the table is not found")
            << Tree{{"1-1", 0x0bda, 0x2830, {}}} << QList<Device>{};
        QTest::newRow("an interface entry is not a device")
            << Tree{{"1-1:1.0", 0x0bda, 0x2838, "Bulk-In, Interface"}} << QList<Device>{};
        QTest::newRow("a missing registry gives nothing") << Tree{} << QList<Device>{};
    }
    void findsKnownSticksInATree()
    {
        QFETCH(Tree, tree);
        FakeUsbTree usb;
        for (const Entry& e : tree)
            QVERIFY(usb.addDevice(e.name, e.vendor, e.product, e.productName));
        QTEST(RTLDeviceProbe::findDevices(usb.root()), "expected");
    }

    void malformedIdentifiersAreSkippedAndTheNextStickFound()
    {
        FakeUsbTree usb;
        for (const char* entry : {"1-1", "1-2", "1-3", "1-4", "1-5", "1-6"})
            QVERIFY(usb.addDevice(entry, 0x0bda, 0x2832));
        usb.removeAttribute("1-1", "idProduct");
        usb.writeAttribute("1-2", "idVendor", "0bdz\n");
        usb.writeAttribute("1-3", "idProduct", "0x2832\n");
        usb.writeAttribute("1-4", "idVendor", "\n");
        usb.writeAttribute("1-5", "idVendor", QByteArray(5000, '0'));
        QCOMPARE(RTLDeviceProbe::findDevices(usb.root()), (QList<Device>{{0x0bda, 0x2832, generic}}));
    }

    // A later registry source is asked only when the earlier ones found no known stick.
    void laterPassesOnlyWhenEarlierFoundNoStick()
    {
        int secondAsked = 0;
        const auto passes = [&](const QList<RawDevice>& first) {
            return QList<RTLDeviceProbe::Source>{[first] { return first; },
                                                 [&] {
                                                     ++secondAsked;
                                                     return QList<RawDevice>{{0x0413, 0x6680, std::nullopt}};
                                                 }};
        };
        const RawDevice hub{0x1d6b, 0x0002, QStringLiteral("xHCI Host Controller")};
        QCOMPARE(RTLDeviceProbe::findDevicesIn(passes({hub, {0x0bda, 0x2838, std::nullopt}})),
                 (QList<Device>{{0x0bda, 0x2838, rtl2838}}));
        QCOMPARE(secondAsked, 0);
        QCOMPARE(RTLDeviceProbe::findDevicesIn(passes({hub})),
                 (QList<Device>{{0x0413, 0x6680, QStringLiteral("Leadtek WinFast DTV Dongle")}}));
        QCOMPARE(secondAsked, 1);
    }
};

QTEST_GUILESS_MAIN(TestRTLDeviceProbe)
#include "TestRTLDeviceProbe.moc"
