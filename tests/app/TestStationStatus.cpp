#include "app/AppState.h"
#include "app/StationStatus.h"
#include "config/StationConfigStore.h"
#include "stats/StatsReader.h"
#include "support/StationHarness.h"

#include <QJsonArray>
#include <QtTest>

using namespace vireon;
using vireon::test::IngestListener;
using vireon::test::StationHarness;

namespace {

constexpr int processWaitMs = 20'000;

QJsonObject otherNetwork(const QString& label, bool enabled, quint16 port)
{
    return QJsonObject{{QStringLiteral("id"), label.toLower()},
                       {QStringLiteral("label"), label},
                       {QStringLiteral("enabled"), enabled},
                       {QStringLiteral("host"), QStringLiteral("127.0.0.1")},
                       {QStringLiteral("port"), port},
                       {QStringLiteral("protocol"), QStringLiteral("beast_reduce_plus_out")}};
}

} // namespace

// What `--status` prints and exits with, read from a whole station as a user would run it.
class TestStationStatus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusFollowsTheStation_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QRegularExpression>("text");
        QTest::newRow("feeding with live data: green")
            << "healthy" << 0
            << QRegularExpression(QStringLiteral("\\AFeeding \u00b7 3 aircraft \u00b7 \\d+ msg/s\n"
                                                 "Vireon: connected\n\\z"));
        QTest::newRow("another network refuses: still green, its error on its line")
            << "hub refuses" << 0
            << QRegularExpression(QStringLiteral("\\AFeeding \u00b7 .*\nVireon: connected\n"
                                                 "Hub: retrying \\(.*Connection refused.*\\)\n"
                                                 "Spare: switched off\n\\z"));
        QTest::newRow("the primary network cannot be reached: orange")
            << "ingest down" << 1
            << QRegularExpression(QStringLiteral("\\AIngest unreachable \u2014 retrying\u2026\n"
                                                 "Vireon: retrying \\(.*Connection refused.*\\)\n\\z"));
        QTest::newRow("no stick: red")
            << "no stick" << 2
            << QRegularExpression(QStringLiteral("\\ANo RTL-SDR device \u2014 plug it in, feeding resumes "
                                                 "automatically\nVireon: not running\n\\z"));
        QTest::newRow("not feeding: grey, the networks not running")
            << "stopped" << 2
            << QRegularExpression(QStringLiteral("\\ANot feeding\nVireon: not running\n\\z"));
    }
    void statusFollowsTheStation()
    {
        QFETCH(QString, station);
        QFETCH(int, exitCode);
        QFETCH(QRegularExpression, text);
        StationHarness harness;
        if (station == u"hub refuses") {
            QJsonObject config = StationHarness::defaultConfig();
            IngestListener closed;
            closed.listen();
            closed.close();
            config[QStringLiteral("extraConnectors")] =
                QJsonArray{otherNetwork(QStringLiteral("Hub"), true, closed.port()),
                           otherNetwork(QStringLiteral("Spare"), false, 30004)};
            harness.writeConfig(config);
        } else if (station == u"ingest down") {
            harness.ingest.close();
        } else if (station == u"no stick") {
            harness.unplugStick();
        }
        AppState& state = harness.launchApplication();
        if (station != u"stopped") {
            state.startFeeding();
            // The live figures are read on the clock's next poll once the decoder has written them.
            if (station != u"ingest down" && station != u"no stick") {
                const QString files = harness.store->jsonDirectory();
                QTRY_VERIFY_WITH_TIMEOUT(StatsReader::readSnapshot(files).aircraftCount == 3 &&
                                             StatsReader::readSnapshot(files).messageRate > 0,
                                         processWaitMs);
                harness.clock.advance(StatsReader::pollInterval);
            }
        }

        QString shown;
        QTRY_VERIFY2_WITH_TIMEOUT(
            text.match(shown = StationStatus::text(StationStatus::inputs(state))).hasMatch(),
            qPrintable(shown), processWaitMs);
        QCOMPARE(StationStatus::exitCode(state.iconState()), exitCode);
    }
};

QTEST_GUILESS_MAIN(TestStationStatus)
#include "TestStationStatus.moc"
