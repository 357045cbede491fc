#include "app/AppState.h"
#include "cli/HeadlessFeeder.h"
#include "config/StationConfigStore.h"
#include "stats/StatsReader.h"
#include "support/StationHarness.h"

#include <QJsonDocument>
#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::StationHarness;

namespace {

constexpr int processWaitMs = 20'000;

// The engine over the harness's station, its log kept in `lines`.
struct Headless {
    explicit Headless(StationHarness& station)
    {
        station.defaults =
            std::make_unique<QSettings>(station.path(QStringLiteral("defaults.ini")), QSettings::IniFormat);
        feeder = std::make_unique<HeadlessFeeder>(station.environment(),
                                                  [this](const QString& line) { lines.append(line); });
        // Started once the published document is in, so the decoder's first run is the one watched.
        QTRY_COMPARE_WITH_TIMEOUT(feeder->state().remoteConfig().ingest.host, QStringLiteral("127.0.0.1"),
                                  20'000);
    }
    // The live figures are read on the clock's next poll once the decoder has written them.
    void pollFigures(StationHarness& station, qint64 aircraft)
    {
        const QString files = feeder->state().configStore().jsonDirectory();
        // Both files: the aircraft count comes from one, the message rate from the other.
        QTRY_VERIFY_WITH_TIMEOUT(StatsReader::readSnapshot(files).aircraftCount == aircraft &&
                                     StatsReader::readSnapshot(files).messageRate > 0,
                                 20'000);
        station.clock.advance(StatsReader::pollInterval);
    }
    bool logged(const QString& text) const
    {
        // Each line begins with the local time.
        static const QRegularExpression stamp(
            QStringLiteral("\\A\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "));
        for (const QString& line : lines) {
            if (stamp.match(line).hasMatch() && line.mid(20).startsWith(text))
                return true;
        }
        return false;
    }
    QStringList lines;
    std::unique_ptr<HeadlessFeeder> feeder;
};

} // namespace

class TestHeadlessFeeder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void launchesAsTheTrayWouldWithoutNeedingOnboarding_data()
    {
        QTest::addColumn<bool>("onboarded");
        QTest::addColumn<bool>("feedingDesired");
        QTest::addColumn<bool>("feeds");
        QTest::newRow("never onboarded (config.json by hand): feeds") << false << false << true;
        QTest::newRow("feeding left on: feeds") << true << true << true;
        QTest::newRow("stopped in the tray application: stays stopped") << true << false << false;
    }
    void launchesAsTheTrayWouldWithoutNeedingOnboarding()
    {
        QFETCH(bool, onboarded);
        QFETCH(bool, feedingDesired);
        QFETCH(bool, feeds);
        StationHarness station;
        {
            QSettings defaults(station.path(QStringLiteral("defaults.ini")), QSettings::IniFormat);
            defaults.setValue(QStringLiteral("hasCompletedOnboarding"), onboarded);
            defaults.setValue(QStringLiteral("feedingDesired"), feedingDesired);
        }
        Headless headless(station);
        headless.feeder->start();

        if (feeds) {
            QTRY_VERIFY2_WITH_TIMEOUT(headless.logged(QStringLiteral("Vireon: connected")),
                                      qPrintable(headless.lines.join(u'\n')), processWaitMs);
            QVERIFY(headless.logged(QStringLiteral("Starting decoder\u2026")));
            headless.pollFigures(station, 3);
            QTRY_VERIFY_WITH_TIMEOUT(headless.logged(QStringLiteral("Feeding \u00b7 3 aircraft")),
                                     processWaitMs);
        } else {
            QTRY_VERIFY(headless.logged(QStringLiteral(
                "Not feeding: feeding was stopped in the tray application. Start it there, or set "
                "feedingDesired=true in")));
            QTest::qWait(200);
            QVERIFY(!headless.feeder->state().isFeedingActive());
        }
    }

    void withoutAPositionItSaysSoAndFeedsOnceTheFileHasOne()
    {
        StationHarness station;
        QJsonObject config = StationHarness::defaultConfig();
        config.remove(QStringLiteral("station"));
        station.writeConfig(config);
        Headless headless(station);
        headless.feeder->start();

        const QString file = station.path(QStringLiteral("xdg/VireonFeeder/config.json"));
        QTRY_VERIFY(headless.logged(QStringLiteral("No station position in %1: set station.lat and "
                                                   "station.lon (decimal degrees). Waiting for the file to "
                                                   "change.")
                                        .arg(file)));
        QTest::qWait(200);
        QVERIFY(!headless.feeder->state().isFeedingActive());

        // Saved as editors do: a new file renamed over the old one.
        QFile edited(file + QStringLiteral(".new"));
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write(QJsonDocument(StationHarness::defaultConfig()).toJson());
        edited.close();
        QVERIFY(QFile::remove(file) && QFile::rename(edited.fileName(), file));

        QTRY_VERIFY_WITH_TIMEOUT(headless.logged(QStringLiteral("config.json changed")), processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(headless.logged(QStringLiteral("Vireon: connected")), processWaitMs);
        QCOMPARE(headless.feeder->state().configStore().config().station.lat, 52.520008);
    }

    void figuresThatMoveAreNotLoggedEachTime()
    {
        StationHarness station;
        station.setScenario({QStringLiteral("connect"), QStringLiteral("write-json aircraft=3 messages=600"),
                             QStringLiteral("wait-for-file ") + station.path(QStringLiteral("more")),
                             QStringLiteral("write-json aircraft=5 messages=600"), QStringLiteral("run")});
        Headless headless(station);
        headless.feeder->start();
        headless.pollFigures(station, 3);
        QTRY_VERIFY_WITH_TIMEOUT(headless.logged(QStringLiteral("Feeding \u00b7 3 aircraft")), processWaitMs);

        QFile(station.path(QStringLiteral("more"))).open(QIODevice::WriteOnly);
        headless.pollFigures(station, 5);
        QTRY_VERIFY(headless.feeder->state().statusLine().contains(QStringLiteral("5 aircraft")));
        QTest::qWait(50);
        QVERIFY2(!headless.logged(QStringLiteral("Feeding \u00b7 5 aircraft")),
                 qPrintable(headless.lines.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestHeadlessFeeder)
#include "TestHeadlessFeeder.moc"
