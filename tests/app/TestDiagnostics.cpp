#include "app/AppState.h"
#include "app/Diagnostics.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbSupervisor.h"
#include "support/StationHarness.h"

#include <QJsonArray>
#include <QtTest>

using namespace vireon;
using vireon::test::StationHarness;

namespace {

// The report from its "Supervisor state" line on: everything but versions, platform and date.
QString body(const QString& report)
{
    const qsizetype at = report.indexOf(QStringLiteral("\n\nSupervisor state: "));
    return at < 0 ? report : report.mid(at + 2);
}

QJsonObject extra(const QString& id, const QJsonValue& label, bool enabled, const QString& host, int port,
                  const QJsonValue& uuid)
{
    QJsonObject connector{
        {QStringLiteral("id"), id},     {QStringLiteral("enabled"), enabled},
        {QStringLiteral("host"), host}, {QStringLiteral("port"), port},
        {QStringLiteral("uuid"), uuid}, {QStringLiteral("protocol"), QStringLiteral("beast_out")}};
    if (!label.isNull())
        connector[QStringLiteral("label")] = label;
    return connector;
}

} // namespace

class TestDiagnostics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshInstallation()
    {
        StationHarness station;
        QFile::remove(station.path(QStringLiteral("xdg/VireonFeeder/config.json")));
        AppState& state = station.launchApplication(false);

        const QString report = Diagnostics::report(state);

        QVERIFY(report.startsWith(
            QStringLiteral("Vireon Feeder diagnostics\n=========================\nApp version: ")));
        QVERIFY(
            report.contains(QStringLiteral("\nDate: ") + station.clock.now().toString(Qt::ISODate) + u'\n'));
        QCOMPARE(
            body(report),
            QStringLiteral("Supervisor state: stopped\n"
                           "Last Vireon connector error: (none)\n\n"
                           "Connectors (UUIDs redacted):\n"
                           "  [Vireon] feed.vireon.network:30004 beast_reduce_plus_out \u2014 not started\n"
                           "Local beast output port: 30005\n\n"
                           "Station name: (not set)\n"
                           "Location (rounded): (not set)\n"
                           "Gain: auto\n"
                           "Decoder: " VIREON_FAKE_READSB " (readsb ?)\n\n"
                           "Aircraft: 0\n"
                           "Message rate: 0.0 msg/s\n\n"
                           "USB devices (known RTL2832U IDs):\n"
                           "  0bda:2838 RTL2832U (RTL2838 DVB-T)\n\n"
                           "readsb log (last lines)\n"
                           "-----------------------\n"
                           "(no log output captured)"));
    }

    void whichDecoderRunsOrWouldRun()
    {
        ReadsbSupervisor supervisor;
        supervisor.setBinaryLocator([] { return std::nullopt; });
        QCOMPARE(Diagnostics::decoderLine(supervisor), QStringLiteral("(not found)"));

        supervisor.setBinaryLocator([] { return QStringLiteral(VIREON_FAKE_READSB); });
        QCOMPARE(Diagnostics::decoderLine(supervisor), QStringLiteral(VIREON_FAKE_READSB " (readsb ?)"));
        supervisor.start({QStringLiteral("--net")}, {});
        QTRY_COMPARE_WITH_TIMEOUT(Diagnostics::decoderLine(supervisor),
                                  QStringLiteral(VIREON_FAKE_READSB " (readsb 3.14)"), 30000);

        // A decoder that has run stays named, with what it said, while the locator finds none.
        supervisor.setBinaryLocator([] { return std::nullopt; });
        QCOMPARE(Diagnostics::decoderLine(supervisor), QStringLiteral(VIREON_FAKE_READSB " (readsb 3.14)"));
    }

    // readsb 3.14 reads "auto" as 0 dB and so is passed its tuner AGC; a refused stick names its cause.
    void thePassedGainAndTheSticksCause()
    {
        StationHarness station;
        qputenv("FAKE_READSB_HELP", VIREON_TEST_DATA_DIR "/readsb-3.14-help.txt");
        station.setScenario(
            {QStringLiteral("stderr usb_open error -3"),
             QStringLiteral("stderr Please fix the device permissions, e.g. by installing the udev "
                            "rules file rtl-sdr.rules"),
             QStringLiteral("exit 1")});
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(std::holds_alternative<supervisor_state::Failed>(state.supervisor().state()),
                                 30000);
        qunsetenv("FAKE_READSB_HELP");

        const QString report = Diagnostics::report(state);
        QVERIFY(report.contains(
            QStringLiteral("\n\nSupervisor state: failed(deviceBusy)\n"
                           "Stick problem: This user account is not allowed to open the stick.\n"
                           "Last Vireon connector error: ")));
        QVERIFY(report.contains(QStringLiteral("\nGain: auto (passed to the decoder as -10)\nDecoder: ")));
    }

    void connectorsPositionAndDevices()
    {
        StationHarness station;
        QJsonObject config = StationHarness::defaultConfig();
        config[QStringLiteral("station")] =
            QJsonObject{{QStringLiteral("lat"), 0}, {QStringLiteral("lon"), 12.3456}};
        config[QStringLiteral("vireon")] = QJsonObject{{QStringLiteral("enabled"), false}};
        config[QStringLiteral("extraConnectors")] = QJsonArray{
            extra(QStringLiteral("long"), QStringLiteral("Long key"), true, QStringLiteral("a.example"),
                  30004, QStringLiteral("0123456789abcdef0123456789abcdef0123")),
            extra(QStringLiteral("short"), QStringLiteral("Short key"), true, QStringLiteral("b.example"),
                  30005, QStringLiteral("abcd1234")),
            extra(QStringLiteral("quiet-net"), QJsonValue(), false, QStringLiteral("c.example"), 30006,
                  QStringLiteral("ffffffffffffffff")),
        };
        station.writeConfig(config);
        station.usb.addDevice(QStringLiteral("1-2"), 0x0bda, 0x2832, QStringLiteral("Blog V4"));
        AppState& state = station.launchApplication();

        const QString report = Diagnostics::report(state);

        QVERIFY2(report.contains(QStringLiteral(
                     "Connectors (UUIDs redacted):\n"
                     "  [Long key] a.example:30004 beast_out uuid=01234567\u2026 \u2014 not started\n"
                     "  [Short key] b.example:30005 beast_out uuid=abcd1234 \u2014 not started\n"
                     "  [Vireon] \u2014 disabled in config.json\n"
                     "  [quiet-net] c.example:30006 \u2014 disabled\n"
                     "Local beast output port: 30005")),
                 qPrintable(report));
        QVERIFY(!report.contains(QStringLiteral("ffffffff")));
        QVERIFY(report.contains(QStringLiteral("\nLocation (rounded): 0.00, 12.35\n")));
        QVERIFY(
            report.contains(QStringLiteral("  0bda:2838 RTL2832U (RTL2838 DVB-T)\n  0bda:2832 Blog V4\n")));
    }

    void restartingDecoderAndItsLog()
    {
        StationHarness station;
        station.setScenario(
            {QStringLiteral("stderr BeastReduce TCP output: Connection to 127.0.0.1 port 1 failed "
                            "(1): 111 (Connection refused)"),
             QStringLiteral("exit 1")});
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(
            std::holds_alternative<supervisor_state::Backoff>(state.supervisor().state()), 20'000);

        const QString report = Diagnostics::report(state);

        const QString nextAttempt =
            station.clock.now().addSecs(2).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(
            report.contains(QStringLiteral("Supervisor state: backoff(nextAttempt: %1 +0000, attempt: 1)\n")
                                .arg(nextAttempt)),
            qPrintable(report));
        QVERIFY(report.contains(
            QStringLiteral("\nLast Vireon connector error: BeastReduce TCP output: Connection to "
                           "127.0.0.1 port 1 failed (1): 111 (Connection refused)\n")));
        QVERIFY(report.contains(QStringLiteral("uuid=0123abcd\u2026 \u2014 connecting\n")));
        const QString log = report.mid(report.indexOf(QStringLiteral("-----------------------\n")) + 24);
        const QStringList lines = log.split(u'\n');
        QVERIFY(lines.first().startsWith(QStringLiteral("supervisor: launched readsb (pid ")));
        const QStringList invoked = lines.filter(QStringLiteral("invoked by: "));
        QCOMPARE(invoked.size(), 1);
        QVERIFY(invoked.first().contains(QStringLiteral(",uuid=0123abcd\u2026 ")));
        QVERIFY(lines.last().startsWith(QStringLiteral("supervisor: restarting in 2s (attempt 1)")));
        QVERIFY(!report.contains(QLatin1String(StationHarness::stationKey)));
        // The log itself keeps what the decoder said.
        QVERIFY(
            state.supervisor().logBuffer().lines().filter(QLatin1String(StationHarness::stationKey)).size() ==
            1);
    }

    void redaction_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("known");
        QTest::addColumn<QString>("expected");
        const QString key = QStringLiteral("0123abcd-0000-4000-8000-000000000001");
        QTest::newRow("a uuid option inside a connector value")
            << QStringLiteral("--net-connector h,30004,beast_out,uuid=%1 --net").arg(key) << QStringList{}
            << QStringLiteral("--net-connector h,30004,beast_out,uuid=0123abcd\u2026 --net");
        QTest::newRow("a uuid option followed by more options")
            << QStringLiteral("h,1,beast_out,uuid=%1,extra=1").arg(key) << QStringList{}
            << QStringLiteral("h,1,beast_out,uuid=0123abcd\u2026,extra=1");
        QTest::newRow("a configured key mentioned anywhere")
            << QStringLiteral("station %1 registered").arg(key) << QStringList{key}
            << QStringLiteral("station 0123abcd\u2026 registered");
        QTest::newRow("a short configured key stays whole")
            << QStringLiteral("key abcd1234 uuid=abcd1234") << QStringList{QStringLiteral("abcd1234")}
            << QStringLiteral("key abcd1234 uuid=abcd1234");
        QTest::newRow("a key that contains another known key")
            << QStringLiteral("%1").arg(key) << QStringList{key.left(12), key}
            << QStringLiteral("0123abcd\u2026");
        QTest::newRow("text without keys is untouched")
            << QStringLiteral("Using lat: 52.520008, lon: 13.404954") << QStringList{key}
            << QStringLiteral("Using lat: 52.520008, lon: 13.404954");
    }

    void redaction()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, known);
        QFETCH(QString, expected);
        QCOMPARE(Diagnostics::redacted(text, known), expected);
    }
};

QTEST_GUILESS_MAIN(TestDiagnostics)
#include "TestDiagnostics.moc"
