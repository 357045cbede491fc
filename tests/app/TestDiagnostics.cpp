// What the state tells the user: the status line and the icon's colour, and the diagnostics report.
#include "app/Diagnostics.h"
#include "app/StatusPresentation.h"

#include <QtTest>

using namespace vireon;
using namespace vireon::supervisor_state;
using Icon = StatusIcon::State;
using Inputs = Diagnostics::Inputs;
using Status = StatusPresentation::Inputs;
using Edit = std::function<void(Inputs&)>;

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Status)

namespace {

const QDateTime fixedNow(QDate(2025, 3, 1), QTime(17, 4, 5), Qt::UTC);
const QString stationKey = QStringLiteral("0123abcd-0000-4000-8000-000000000001");

StationConfig::ExtraConnector extra(QString id, std::optional<QString> label, bool enabled, QString host,
                                    qint64 port, std::optional<QString> uuid)
{
    return {id, label, enabled, host, port, QStringLiteral("beast_out"), uuid};
}

Status inState(SupervisorState state, bool feedingDesired = true, std::optional<QString> configError = {})
{
    return {configError, std::move(state), false, {}, true, feedingDesired, fixedNow};
}

// Running for ten minutes, the primary network's connection up or not, with an aircraft file of the
// given age when it has aircraft.
Status running(bool up, qint64 aircraft = 0, double rate = 0, qint64 ageMs = 0)
{
    Status in = inState(supervisor_state::Running{fixedNow.addSecs(-600)});
    in.vireonConnectorUp = up;
    if (aircraft > 0)
        in.snapshot = StatsSnapshot{aircraft, rate, fixedNow.addMSecs(-ageMs), {}};
    return in;
}

} // namespace

class TestDiagnostics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linesAndIcons_data()
    {
        QTest::addColumn<Status>("inputs");
        QTest::addColumn<QString>("line");
        QTest::addColumn<Icon>("icon");

        const QString gainError = QStringLiteral("Gain \u201c4,5\u201d is invalid");
        QTest::newRow("a config error wins over a healthy feed") << [&] {
            auto in = running(true, 3, 20, 1000);
            in.configError = gainError;
            return in;
        }() << QStringLiteral("Config error: ") + gainError << Icon::error;
        QTest::newRow("a config error wins over a stopped decoder")
            << inState(Stopped{}, true, gainError) << QStringLiteral("Config error: ") + gainError
            << Icon::error;
        QTest::newRow("fresh data with messages is feeding")
            << running(true, 3, 20, 1000) << QStringLiteral("Feeding \u00b7 3 aircraft \u00b7 20 msg/s")
            << Icon::feeding;
        QTest::newRow("a rate of 0.4 shows as 0 but is still live")
            << running(true, 3, 0.4, 1000) << QStringLiteral("Feeding \u00b7 3 aircraft \u00b7 0 msg/s")
            << Icon::feeding;
        QTest::newRow("a rate of 2.5 rounds half away from zero")
            << running(true, 1, 2.5, 1000) << QStringLiteral("Feeding \u00b7 1 aircraft \u00b7 3 msg/s")
            << Icon::feeding;
        QTest::newRow("data 59.9 s old is fresh")
            << running(true, 3, 20, 59'900) << QStringLiteral("Feeding \u00b7 3 aircraft \u00b7 20 msg/s")
            << Icon::feeding;
        QTest::newRow("data 60 s old is stale")
            << running(true, 3, 20, 60'000) << QStringLiteral("Connected \u00b7 waiting for aircraft\u2026")
            << Icon::warning;
        QTest::newRow("a time stamp ahead of the clock is fresh")
            << running(true, 2, 5, -30'000) << QStringLiteral("Feeding \u00b7 2 aircraft \u00b7 5 msg/s")
            << Icon::feeding;
        QTest::newRow("no messages flowing is not live")
            << running(true, 3, 0, 1000) << QStringLiteral("Connected \u00b7 waiting for aircraft\u2026")
            << Icon::warning;
        QTest::newRow("no aircraft file yet")
            << running(true) << QStringLiteral("Connected \u00b7 waiting for aircraft\u2026")
            << Icon::warning;
        QTest::newRow("fresh data without the connection is unreachable")
            << running(false, 3, 20, 1000) << QStringLiteral("Ingest unreachable \u2014 retrying\u2026")
            << Icon::warning;
        QTest::newRow("the primary network paused says so and stays orange") <<
            [] {
                auto in = running(false);
                in.vireonEnabled = false;
                return in;
            }() << QStringLiteral("Feeding third-party networks \u00b7 Vireon paused")
                                                                             << Icon::warning;
        QTest::newRow("second restart attempt")
            << inState(Backoff{fixedNow.addSecs(4), 2})
            << QStringLiteral("Decoder stopped \u2014 restarting (attempt 2)\u2026") << Icon::warning;
        QTest::newRow("stopped") << inState(Stopped{}) << QStringLiteral("Not feeding") << Icon::idle;
        QTest::newRow("no stick while feeding is wanted promises to resume")
            << inState(Failed{SupervisorFailure::noDevice}, true)
            << QStringLiteral("No RTL-SDR device \u2014 plug it in, feeding resumes automatically")
            << Icon::error;
        QTest::newRow("no stick after the user stopped promises nothing")
            << inState(Failed{SupervisorFailure::noDevice}, false)
            << QStringLiteral("No RTL-SDR device found") << Icon::error;
    }

    void linesAndIcons()
    {
        QFETCH(Status, inputs);
        QTEST(StatusPresentation::statusLine(inputs), "line");
        QTEST(StatusPresentation::iconState(inputs), "icon");
    }

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
                           "Altitude: (not set)\n"
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
                   in.station.station = {"Roof", 0, 12.3456, "49.6", 123.4};
               })
            << QStringList{
                   "Station name: Roof\nLocation (rounded): 0.00, 12.35\nAltitude: 120 m\nGain: 49.6\n"};
        QTest::newRow("MLAT clients: server, state, link and figures, keys shortened; their lines follow "
                      "the decoder's")
            << Edit([](Inputs& in) {
                   MlatCommand::Client client{"adsb-lol",
                                              "adsb.lol",
                                              "feed.adsb.lol:31090",
                                              "0123abcd-0000-4000-8000-000000000001",
                                              "/j/mlat-adsb-lol.json",
                                              {}};
                   in.station.extraConnectors = {extra("adsb-lol", "adsb.lol", true, "feed.adsb.lol", 30004,
                                                       "0123abcd-0000-4000-8000-000000000001")};
                   MlatStats stats;
                   stats.written = fixedNow;
                   stats.peers = 14;
                   stats.goodSyncPercent = 80;
                   stats.badSyncPercent = 2;
                   in.mlatClients = {
                       MlatClientStatus{client, Running{fixedNow}, {MlatLink::Phase::connected, {}}, stats}};
                   in.mlatLogs = {
                       {"Connected to multilateration server, uuid 0123abcd-0000-4000-8000-000000000001"}};
               })
            << QStringList{
                   "\n\nMLAT clients (UUIDs redacted):\n  [adsb.lol] feed.adsb.lol:31090 uuid=0123abcd\u2026 "
                   "\u2014 running(since: 2025-03-01 17:04:05 +0000), connected; 14 peers, good sync 80%, "
                   "bad "
                   "sync 2%, outliers ?, bad-sync timeout 0s (written 2025-03-01 17:04:05 +0000)\n\nStation",
                   "\n[adsb.lol] Connected to multilateration server, uuid 0123abcd\u2026"};
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
