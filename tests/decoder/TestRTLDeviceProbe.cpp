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

// A desktop's usual neighbours: root hubs and a keyboard, none of them a stick.
void addBystanders(FakeUsbTree& tree)
{
    tree.addDevice(QStringLiteral("usb1"), 0x1d6b, 0x0002, QStringLiteral("xHCI Host Controller"));
    tree.addDevice(QStringLiteral("usb2"), 0x1d6b, 0x0003, QStringLiteral("xHCI Host Controller"));
    tree.addDevice(QStringLiteral("1-2"), 0x046d, 0xc31c, QStringLiteral("USB Keyboard"));
}

} // namespace

class TestRTLDeviceProbe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsKnownSticksInATree_data()
    {
        QTest::addColumn<TreeSetup>("setup");
        QTest::addColumn<QList<Device>>("expected");

        QTest::newRow("no stick plugged in gives an empty list")
            << TreeSetup(addBystanders) << QList<Device>{};
        QTest::newRow("a stick without its own name takes the table's name") << TreeSetup([](FakeUsbTree& t) {
            addBystanders(t);
            t.addDevice("1-1", 0x0bda, 0x2832);
        }) << QList<Device>{{0x0bda, 0x2832, generic}};
        QTest::newRow("a stick that reports a name keeps its own name") << TreeSetup([](FakeUsbTree& t) {
            t.addDevice("1-1", 0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR"));
        }) << QList<Device>{{0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR")}};
        QTest::newRow("a blank reported name falls back to the table's name")
            << TreeSetup([](FakeUsbTree& t) { t.addDevice("1-1", 0x0bda, 0x2838, QStringLiteral("  ")); })
            << QList<Device>{{0x0bda, 0x2838, rtl2838}};
        QTest::newRow("two identical sticks with one name give one entry") << TreeSetup([](FakeUsbTree& t) {
            t.addDevice("1-1", 0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR"));
            t.addDevice("1-3", 0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR"));
        }) << QList<Device>{{0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR")}};
        QTest::newRow("two identical sticks with different names give two entries in registry order")
            << TreeSetup([](FakeUsbTree& t) {
                   t.addDevice("1-3", 0x0bda, 0x2838, QStringLiteral("Blog V4"));
                   t.addDevice("1-1", 0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR"));
               })
            << QList<Device>{{0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR")},
                             {0x0bda, 0x2838, QStringLiteral("Blog V4")}};
        QTest::newRow("sticks of different models are all found, behind a hub too")
            << TreeSetup([](FakeUsbTree& t) {
                   t.addDevice("1-1", 0x0bda, 0x2832);
                   t.addDevice("1-1.4", 0x1f4d, 0xc803);
                   t.addDevice("2-1", 0x0ccd, 0x00a9);
               })
            << QList<Device>{{0x0bda, 0x2832, generic},
                             {0x1f4d, 0xc803, QStringLiteral("GTek T803 (Lifeview LV5TDLX)")},
                             {0x0ccd, 0x00a9, QStringLiteral("Terratec Cinergy T Stick Black")}};
        QTest::newRow("an RTL2832U with a pair that is not in the table is not found")
            << TreeSetup(
                   [](FakeUsbTree& t) { t.addDevice("1-1", 0x0bda, 0x2830, QStringLiteral("RTL2830")); })
            << QList<Device>{};
        QTest::newRow("a device without idProduct is skipped, the next one still found")
            << TreeSetup([](FakeUsbTree& t) {
                   t.addDevice("1-1", 0x0bda, 0x2832);
                   t.removeAttribute("1-1", "idProduct");
                   t.addDevice("1-2", 0x0bda, 0x2838);
               })
            << QList<Device>{{0x0bda, 0x2838, rtl2838}};
        QTest::newRow("non-hexadecimal or oversized identifiers are skipped")
            << TreeSetup([](FakeUsbTree& t) {
                   t.addDevice("1-1", 0x0bda, 0x2832);
                   t.writeAttribute("1-1", "idVendor", "0bdz\n");
                   t.addDevice("1-2", 0x0bda, 0x2832);
                   t.writeAttribute("1-2", "idProduct", "0x2832\n");
                   t.addDevice("1-3", 0x0bda, 0x2832);
                   t.writeAttribute("1-3", "idVendor", "\n");
                   t.addDevice("1-4", 0x0bda, 0x2832);
                   t.writeAttribute("1-4", "idVendor", QByteArray(5000, '0'));
               })
            << QList<Device>{};
        QTest::newRow("an interface entry is not a device") << TreeSetup([](FakeUsbTree& t) {
            t.addDevice("1-1", 0x0bda, 0x2838);
            t.addDevice("1-1:1.0", 0x0bda, 0x2838, QStringLiteral("Bulk-In, Interface"));
        }) << QList<Device>{{0x0bda, 0x2838, rtl2838}};
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

    void followsPlugAndUnplug()
    {
        FakeUsbTree tree;
        QVERIFY(tree.addDevice("1-1", 0x0bda, 0x2838));
        QCOMPARE(RTLDeviceProbe::findDevices(tree.root()).size(), 1);
        QVERIFY(tree.removeDevice("1-1"));
        QVERIFY(RTLDeviceProbe::findDevices(tree.root()).isEmpty());
    }

    void aMissingRegistryGivesNothing()
    {
        QVERIFY(RTLDeviceProbe::findDevices(QStringLiteral("/nonexistent/bus/usb/devices")).isEmpty());
    }

    void idJoinsDecimalIdentifiersAndName()
    {
        QCOMPARE((Device{0x0bda, 0x2832, generic}.id()), QStringLiteral("3034:10290:Generic RTL2832U"));
        QCOMPARE((Device{0x0bda, 0x2838, QStringLiteral("Stick:%1")}.id()),
                 QStringLiteral("3034:10296:Stick:%1"));
    }

    void laterPassesOnlyWhenEarlierFoundNoStick_data()
    {
        QTest::addColumn<QList<RawDevice>>("first");
        QTest::addColumn<bool>("secondAsked");
        QTest::addColumn<QList<Device>>("expected");

        const RawDevice stick{0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR")};
        const RawDevice hub{0x1d6b, 0x0002, QStringLiteral("xHCI Host Controller")};
        QTest::newRow("a stick in the first pass ends the search")
            << QList<RawDevice>{hub, stick} << false
            << QList<Device>{{0x0bda, 0x2838, QStringLiteral("RTL2838UHIDIR")}};
        QTest::newRow("only unknown devices in the first pass lead to the second")
            << QList<RawDevice>{hub} << true
            << QList<Device>{{0x0413, 0x6680, QStringLiteral("Leadtek WinFast DTV Dongle")}};
        QTest::newRow("an empty first pass leads to the second")
            << QList<RawDevice>{} << true
            << QList<Device>{{0x0413, 0x6680, QStringLiteral("Leadtek WinFast DTV Dongle")}};
    }

    void laterPassesOnlyWhenEarlierFoundNoStick()
    {
        QFETCH(QList<RawDevice>, first);
        QFETCH(bool, secondAsked);
        QFETCH(QList<Device>, expected);
        bool asked = false;
        const QList<RTLDeviceProbe::Source> passes{
            [first] { return first; },
            [&asked] {
                asked = true;
                return QList<RawDevice>{{0x0413, 0x6680, std::nullopt}};
            },
        };
        QCOMPARE(RTLDeviceProbe::findDevicesIn(passes), expected);
        QCOMPARE(asked, secondAsked);
    }
};

QTEST_GUILESS_MAIN(TestRTLDeviceProbe)
#include "TestRTLDeviceProbe.moc"
