#include "decoder/RTLDeviceProbe.h"
#include "support/FakeUsbTree.h"

#include <QtTest>

using vireon::RTLDeviceProbe;
using vireon::test::FakeUsbTree;
using Device = RTLDeviceProbe::Device;
using RawDevice = RTLDeviceProbe::RawDevice;
using TreeSetup = std::function<void(FakeUsbTree&)>;

Q_DECLARE_METATYPE(TreeSetup)

namespace {

const QString generic = QStringLiteral("Generic RTL2832U");
const QString rtl2838 = QStringLiteral("RTL2832U (RTL2838 DVB-T)");

} // namespace

class TestRTLDeviceProbe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsKnownSticksInATree_data()
    {
        QTest::addColumn<TreeSetup>("setup");
        QTest::addColumn<QList<Device>>("expected");

        QTest::newRow("no stick among hubs and a keyboard gives an empty list")
            << TreeSetup([](FakeUsbTree& t) {
                   t.addDevice("usb1", 0x1d6b, 0x0002, QStringLiteral("xHCI Host Controller"));
                   t.addDevice("1-2", 0x046d, 0xc31c, QStringLiteral("USB Keyboard"));
               })
            << QList<Device>{};
        QTest::newRow("a stick without its own name takes the table's name")
            << TreeSetup([](FakeUsbTree& t) { t.addDevice("1-1", 0x0bda, 0x2832); })
            << QList<Device>{{0x0bda, 0x2832, generic}};
        QTest::newRow("a stick that reports a name keeps its own name") << TreeSetup([](FakeUsbTree& t) {
            t.addDevice("1-1", 0x0bda, 0x2838, QStringLiteral("Blog V4"));
        }) << QList<Device>{{0x0bda, 0x2838, QStringLiteral("Blog V4")}};
        QTest::newRow("a blank reported name falls back to the table's name")
            << TreeSetup([](FakeUsbTree& t) { t.addDevice("1-1", 0x0bda, 0x2838, QStringLiteral("  ")); })
            << QList<Device>{{0x0bda, 0x2838, rtl2838}};
        QTest::newRow("two identical sticks with one name give one entry") << TreeSetup([](FakeUsbTree& t) {
            t.addDevice("1-1", 0x0bda, 0x2838);
            t.addDevice("1-3", 0x0bda, 0x2838);
        }) << QList<Device>{{0x0bda, 0x2838, rtl2838}};
        QTest::newRow("two identical sticks with different names give two entries in registry order")
            << TreeSetup([](FakeUsbTree& t) {
                   t.addDevice("1-3", 0x0bda, 0x2838, QStringLiteral("Blog V4"));
                   t.addDevice("1-1.4", 0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR"));
               })
            << QList<Device>{{0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR")},
                             {0x0bda, 0x2838, QStringLiteral("Blog V4")}};
        QTest::newRow("an RTL2832U with a pair that is not in the table is not found")
            << TreeSetup([](FakeUsbTree& t) { t.addDevice("1-1", 0x0bda, 0x2830); }) << QList<Device>{};
        QTest::newRow("missing, non-hexadecimal or oversized identifiers are skipped, the next stick found")
            << TreeSetup([](FakeUsbTree& t) {
                   for (const char* entry : {"1-1", "1-2", "1-3", "1-4", "1-5", "1-6"})
                       t.addDevice(entry, 0x0bda, 0x2832);
                   t.removeAttribute("1-1", "idProduct");
                   t.writeAttribute("1-2", "idVendor", "0bdz\n");
                   t.writeAttribute("1-3", "idProduct", "0x2832\n");
                   t.writeAttribute("1-4", "idVendor", "\n");
                   t.writeAttribute("1-5", "idVendor", QByteArray(5000, '0'));
               })
            << QList<Device>{{0x0bda, 0x2832, generic}};
        QTest::newRow("an interface entry is not a device") << TreeSetup([](FakeUsbTree& t) {
            t.addDevice("1-1:1.0", 0x0bda, 0x2838, QStringLiteral("Bulk-In, Interface"));
        }) << QList<Device>{};
    }
    void findsKnownSticksInATree()
    {
        QFETCH(TreeSetup, setup);
        QFETCH(QList<Device>, expected);
        FakeUsbTree tree;
        QVERIFY(tree.isValid());
        setup(tree);
        QCOMPARE(RTLDeviceProbe::findDevices(tree.root()), expected);
    }

    void aMissingRegistryGivesNothing()
    {
        QVERIFY(RTLDeviceProbe::findDevices(QStringLiteral("/nonexistent/bus/usb/devices")).isEmpty());
    }

    void idJoinsDecimalIdentifiersAndName()
    {
        QCOMPARE((Device{0x0bda, 0x2838, QStringLiteral("Blog V4")}.id()),
                 QStringLiteral("3034:10296:Blog V4"));
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
