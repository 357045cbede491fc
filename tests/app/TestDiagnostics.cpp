#include "app/Diagnostics.h"

#include <QtTest>

using namespace vireon;
using namespace vireon::supervisor_state;
using Inputs = Diagnostics::Inputs;
using Edit = std::function<void(Inputs&)>;

Q_DECLARE_METATYPE(Edit)

namespace {

const QDateTime fixedNow(QDate(2025, 3, 1), QTime(17, 4, 5), Qt::UTC);
const QString stationKey = QStringLiteral("0123abcd-0000-4000-8000-000000000001");

StationConfig::ExtraConnector extra(QString id, std::optional<QString> label, bool enabled, QString host,
                                    qint64 port, std::optional<QString> uuid)
{
    return {id, label, enabled, host, port, QStringLiteral("beast_out"), uuid};
}

} // namespace

class TestDiagnostics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void report_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QStringList>("expected"); // the whole report when it starts with the title

        // Default station, decoder never started, nothing on USB, and no short version.
        QTest::newRow("a fresh installation")
            << Edit()
            << QStringList{"Vireon Feeder diagnostics\n=========================\n"
                           "App version: ? (abc1234)\n"
                           "Linux: Debian GNU/Linux 12 (bookworm)\n"
                           "Date: 2025-03-01T17:04:05Z\n\n"
                           "Supervisor state: stopped\n"
                           "Last Vireon connector error: (none)\n\n"
                           "Connectors (UUIDs redacted):\n"
                           "  [Vireon] feed.vireon.network:30004 beast_reduce_plus_out \u2014 not started\n"
                           "Local beast output port: 30005\n\n"
                           "Station name: (not set)\n"
                           "Location (rounded): (not set)\n"
                           "Gain: auto\n"
                           "Decoder: (not found)\n\n"
                           "Aircraft: 0\n"
                           "Message rate: 0.0 msg/s\n\n"
                           "USB devices (known RTL2832U IDs):\n"
                           "  (none found)\n\n"
                           "readsb log (last lines)\n"
                           "-----------------------\n"
                           "(no log output captured)"};
        QTest::newRow("connectors: keys shortened above 8 characters, health, disabled ones last")
            << Edit([](Inputs& in) {
                   in.supervisorState = Running{fixedNow};
                   in.station.vireon.enabled = false;
                   in.station.extraConnectors = {
                       extra("long", "Long key", true, "a.example", 30004, QString(36, u'f')),
                       extra("short", "Short key", true, "b.example", 30005, "abcd1234"),
                       extra("up", "Up", true, "c.example", 1, std::nullopt),
                       extra("quiet-net", std::nullopt, false, "d.example", 30006, "ffffffffffffffff")};
                   in.connectorHealth = {{"long", ConnectorHealth::retrying("Refused " + QString(36, u'f'))},
                                         {"short", ConnectorHealth::connecting()},
                                         {"up", ConnectorHealth::connected()}};
               })
            << QStringList{"Connectors (UUIDs redacted):\n"
                           "  [Long key] a.example:30004 beast_out uuid=ffffffff\u2026 \u2014 retrying "
                           "(Refused ffffffff\u2026)\n"
                           "  [Short key] b.example:30005 beast_out uuid=abcd1234 \u2014 connecting\n"
                           "  [Up] c.example:1 beast_out \u2014 connected\n"
                           "  [Vireon] \u2014 disabled in config.json\n"
                           "  [quiet-net] d.example:30006 \u2014 disabled\n"
                           "Local beast output port: 30005\n\n"};
        QTest::newRow("no decoder runs: what the last one said of a connection is not its health")
            << Edit([](Inputs& in) {
                   in.supervisorState = Failed{SupervisorFailure::noDevice};
                   in.connectorHealth = {{"vireon", ConnectorHealth::connecting()}};
               })
            << QStringList{"  [Vireon] feed.vireon.network:30004 beast_reduce_plus_out \u2014 not running\n"};
        QTest::newRow("only a zero latitude is still a position, rounded as printf rounds")
            << Edit([](Inputs& in) {
                   in.station.station = {"Roof", 0, 12.3456, "49.6"};
               })
            << QStringList{"Station name: Roof\nLocation (rounded): 0.00, 12.35\nGain: 49.6\n"};
        QTest::newRow("positions on a binary tie round to even")
            << Edit([](Inputs& in) { in.station.station.lat = 0.125; })
            << QStringList{"Location (rounded): 0.12, 0.00\n"};
        QTest::newRow("a rate of 0.25 shows as printf shows it") << Edit([](Inputs& in) {
            in.snapshot = {3, 0.25, fixedNow, {}};
        }) << QStringList{"Aircraft: 3\nMessage rate: 0.2 msg/s\n"};
        QTest::newRow("sticks in the order found, identifiers as four hexadecimal digits")
            << Edit([](Inputs& in) {
                   in.devices = {{0x0bda, 0x2838, "RTL2832U (RTL2838 DVB-T)"}, {1, 0x12345, "B"}};
               })
            << QStringList{"\n  0bda:2838 RTL2832U (RTL2838 DVB-T)\n  0001:12345 B\n\n"};
        QTest::newRow("the decoder found but not yet heard from")
            << Edit([](Inputs& in) { in.decoderPath = "/opt/vf/bin/readsb"; })
            << QStringList{"\nGain: auto\nDecoder: /opt/vf/bin/readsb (readsb ?)\n\n"};
        QTest::newRow("readsb 3.14, given its tuner AGC for auto")
            << Edit([](Inputs& in) {
                   in.decoderPath = "/opt/vf/bin/readsb";
                   in.decoderVersion = "3.14.1642";
                   in.passedGain = "-10";
               })
            << QStringList{"\nGain: auto (passed to the decoder as -10)\nDecoder: /opt/vf/bin/readsb (readsb "
                           "3.14.1642)\n"};
        QTest::newRow("a gain passed as stored is not noted")
            << Edit([](Inputs& in) { in.passedGain = "auto"; }) << QStringList{"\nGain: auto\nDecoder: "};
        QTest::newRow("a stick problem follows the state")
            << Edit([](Inputs& in) {
                   in.supervisorState = Failed{SupervisorFailure::deviceBusy};
                   in.stickProblem = StickProblem::kernelDriverHolds;
               })
            << QStringList{"state: failed(deviceBusy)\nStick problem: The DVB-T kernel driver holds the "
                           "stick and could "
                           "not be detached.\nLast Vireon connector error: "};
        QTest::newRow("running") << Edit([](Inputs& in) { in.supervisorState = Running{fixedNow}; })
                                 << QStringList{"state: running(since: 2025-03-01 17:04:05 +0000)\n"};
        QTest::newRow("launching") << Edit([](Inputs& in) { in.supervisorState = Launching{}; })
                                   << QStringList{"state: launching\n"};
        QTest::newRow("the second restart") << Edit([](Inputs& in) {
            in.supervisorState = Backoff{fixedNow.addSecs(30), 2};
        }) << QStringList{"state: backoff(nextAttempt: 2025-03-01 17:04:35 +0000, attempt: 2)\n"};
        // Known keys are replaced longest first, so one that contains another is not half-shortened.
        QTest::newRow("the error and the log show keys shortened, the log otherwise whole")
            << Edit([](Inputs& in) {
                   in.station.vireon.uuid = stationKey;
                   in.station.extraConnectors = {extra("x", "X", false, "h", 1, stationKey.left(12))};
                   in.lastConnectorError = "Connection for " + stationKey + " refused";
                   in.logLines = {"invoked by: readsb --net-connector "
                                  "h,1,beast_out,uuid=fedcba9876543210,timeout=5 --net",
                                  "key " + stationKey, "supervisor: restarting in 2s (attempt 1)"};
               })
            << QStringList{
                   "Last Vireon connector error: Connection for 0123abcd\u2026 refused\n\n",
                   "-\ninvoked by: readsb --net-connector h,1,beast_out,uuid=fedcba98\u2026,timeout=5 --net\n"
                   "key 0123abcd\u2026\nsupervisor: restarting in 2s (attempt 1)"};
    }

    void report()
    {
        QFETCH(Edit, edit);
        QFETCH(QStringList, expected);
        Inputs in;
        in.buildVersion = QStringLiteral("abc1234");
        in.systemName = QStringLiteral("Linux");
        in.systemVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
        in.now = fixedNow;
        in.ingest = FeederConfig::fallback().ingest;
        if (edit)
            edit(in);
        const QString report = Diagnostics::report(in);
        if (expected.first().startsWith(QStringLiteral("Vireon Feeder")))
            QCOMPARE(report, expected.first());
        for (const QString& part : expected)
            QVERIFY2(report.contains(part), qPrintable(report));
        QVERIFY(!report.endsWith(u'\n'));
    }
};

QTEST_GUILESS_MAIN(TestDiagnostics)
#include "TestDiagnostics.moc"
