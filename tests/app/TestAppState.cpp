#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/SleepAssertion.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"
#include "presentation/panel/PanelModel.h"
#include "presentation/settings/SettingsModel.h"
#include "stats/StatsReader.h"
#include "support/ChildProcesses.h"
#include "support/StationHarness.h"

#include <QJsonArray>
#include <QtTest>
#include <csignal>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::ChildProcesses;
using vireon::test::StationHarness;

namespace {

constexpr int processWaitMs = 20'000;

template <class State>
bool in(const AppState& state)
{
    return std::holds_alternative<State>(state.supervisor().state());
}

bool hasFailed(const AppState& state, SupervisorFailure failure)
{
    return state.supervisor().state() == SupervisorState(supervisor_state::Failed{failure});
}

qint64 lastDecoderPid(const AppState& state)
{
    const QString launched =
        state.supervisor().logBuffer().lines().filter(QStringLiteral("launched readsb")).last();
    return launched.section(QStringLiteral("pid "), 1).chopped(1).toLongLong();
}

const QString otherKey = "feedfeed-1111-4000-8000-000000000002";

QJsonObject withVireonOffAndOneOtherNetwork(quint16 port)
{
    QJsonObject config = StationHarness::defaultConfigWith("vireon", QJsonObject{{"enabled", false}});
    config["extraConnectors"] = QJsonArray{QJsonObject{
        {"id", "local-hub"}, {"enabled", true}, {"host", "127.0.0.1"}, {"port", port}, {"uuid", otherKey}}};
    return config;
}

} // namespace

class TestAppState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The primary network switched off by hand: the user is told once, before the first launch,
    // and what is pressed meanwhile decides what runs once the notice is gone.
    void whatIsPressedWhileThePausedAlertIsOpenDecides_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("launches");
        QTest::addColumn<bool>("feedingDesired");
        QTest::newRow("Stop Feeding: nothing runs after the alert") << "stop" << 0 << false;
        QTest::newRow("Quit: nothing runs after the alert") << "quit" << 0 << true;
        QTest::newRow("Start Feeding again: one launch, not two") << "start" << 1 << true;
        QTest::newRow("nothing: one launch from the configuration as it is at dismissal")
            << "edit" << 1 << true;
    }
    void whatIsPressedWhileThePausedAlertIsOpenDecides()
    {
        QFETCH(QString, action);
        QFETCH(int, launches);
        QFETCH(bool, feedingDesired);
        StationHarness station;
        station.writeConfig(withVireonOffAndOneOtherNetwork(station.ingest.port()));
        AppState& state = station.launchApplication();

        state.startFeeding();
        QVERIFY(station.alerts.isOpen());
        QVERIFY(!state.isFeedingActive());
        if (action == u"stop")
            state.stopFeeding();
        else if (action == u"quit")
            state.shutdown();
        else if (action == u"start")
            state.startFeeding();
        else
            state.editStation([](StationConfig& c) { c.station.lat = 48.5; });
        station.alerts.dismissAll();

        QCOMPARE(station.settings->feedingDesired(), feedingDesired);
        QTRY_COMPARE_WITH_TIMEOUT(station.decoderLaunches(), launches, processWaitMs);
        QTest::qWait(200);
        QCOMPARE(station.decoderLaunches(), launches);
        QCOMPARE(state.isFeedingActive(), launches > 0);
        QCOMPARE(station.alerts.alerts.size(), 1);
        QCOMPARE(station.alerts.alerts[0].first, QStringLiteral("Vireon feeding is paused"));
        if (action == u"edit")
            QCOMPARE(state.supervisor().currentArguments(),
                     std::get<QStringList>(ReadsbCommand::arguments(station.store->config(),
                                                                    state.remoteConfig().ingest,
                                                                    station.store->jsonDirectory())));
        if (launches > 0) {
            QVERIFY(station.settings->vireonPauseWarned());
            QTRY_VERIFY_WITH_TIMEOUT(station.ingest.hasReceivedUuid(otherKey), processWaitMs);
            station.launchApplication().startFeeding(); // told once: the next launch feeds at once
            QTRY_COMPARE_WITH_TIMEOUT(station.decoderLaunches(), 1, processWaitMs);
            QCOMPARE(station.alerts.alerts.size(), 1);
        }
    }

    // Two decoders would fight over the stick: the stand-in takes it as the real one does, and a
    // second one refused is written down.
    void aHundredStartAndStopClicksInASecondNeverRunTwoDecoders()
    {
        StationHarness station;
        const QString stick = station.path("stick.lock");
        station.setScenario({"claim-stick " + stick, "connect", "write-json aircraft=3 messages=600", "run"});
        AppState& state = station.launchApplication();
        for (int click = 0; click < 100; ++click) {
            click % 2 == 0 ? state.startFeeding() : state.stopFeeding();
            QTest::qWait(click % 4 * 3); // some clicks land mid-launch, some between event-loop turns
        }
        QVERIFY(!state.settings().feedingDesired());
        QTRY_VERIFY_WITH_TIMEOUT(in<supervisor_state::Stopped>(state), processWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(ChildProcesses::countNamed("fake-readsb"), 0, processWaitMs);

        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(
            in<supervisor_state::Running>(state) && state.supervisor().vireonConnectorUp(), processWaitMs);
        QTest::qWait(300); // long enough for a second decoder to have been refused
        QVERIFY(in<supervisor_state::Running>(state));
        QCOMPARE(ChildProcesses::countNamed("fake-readsb"), 1);
        QVERIFY2(!QFile::exists(stick + ".refused"), "two decoders ran at once");
    }

    void quitDuringALaunchLeavesNoDecoderBehind_data()
    {
        QTest::addColumn<int>("afterMs");
        QTest::newRow("quit in the same turn as the start") << 0;
        QTest::newRow("quit while the process is being started") << 2;
        QTest::newRow("quit just after it came up") << 40;
    }
    void quitDuringALaunchLeavesNoDecoderBehind()
    {
        QFETCH(int, afterMs);
        StationHarness station;
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTest::qWait(afterMs);
        station.quitApplication();
        QCOMPARE(ChildProcesses::of().size(), 0);
        QTest::qWait(300); // nothing left armed starts one afterwards
        QCOMPARE(ChildProcesses::of().size(), 0);
    }

    // The harness's clock runs behind the stand-in's: its time stamps are ahead, as after the clock
    // was set back. Either way the data turns stale a minute after its stamp was first read.
    void hungDecoderFilesTurnTheIconFromGreenWithNoOtherEvent_data()
    {
        QTest::addColumn<int>("wallClockSetBy");
        QTest::newRow("the clock left alone") << 0;
        QTest::newRow("the clock set back an hour") << -3600;
        QTest::newRow("the clock set forward a day") << 86400;
    }
    void hungDecoderFilesTurnTheIconFromGreenWithNoOtherEvent()
    {
        QFETCH(int, wallClockSetBy);
        StationHarness station;
        // The files are written once and never again while the decoder keeps running.
        station.setScenario({QStringLiteral("connect"),
                             QStringLiteral("write-json aircraft=3 messages=600 window=60"),
                             QStringLiteral("wait-for-file /nonexistent/never")});
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(state.supervisor().vireonConnectorUp(), processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(station.store->jsonDirectory() + QStringLiteral("/stats.json")), processWaitMs);
        station.clock.advance(StatsReader::pollInterval);
        QTRY_COMPARE(state.iconState(), StatusIcon::State::feeding);
        const std::chrono::milliseconds expiry = *state.stats().updatedAtFirstRead() + 60s;
        QSignalSpy presentation(&state, &AppState::presentationChanged);
        station.clock.setWallClock(std::chrono::seconds(wallClockSetBy));

        while (station.clock.elapsed() + 1s < expiry)
            station.clock.advance(1s);
        QTest::qWait(50);
        QCOMPARE(presentation.size(), 0);

        station.clock.advance(2s);
        QTRY_COMPARE(presentation.size(), 1);
        QCOMPARE(presentation.first().at(0).value<StatusIcon::State>(), StatusIcon::State::warning);
    }

    // The aircraft heard around Madrid, the station set in Berlin: the panel and the settings say so,
    // and follow each edit of the position at once, without waiting for the next minute's evidence.
    void whatTheStationHearsReachesThePanelAndTheSettings()
    {
        StationHarness station;
        station.setScenario({QStringLiteral("connect"),
                             QStringLiteral("write-json aircraft=12 messages=600 window=60 lat=40.4 lon=-3.7 "
                                            "signal=-14.2 noise=-32.5"),
                             QStringLiteral("run")});
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(station.store->jsonDirectory() + QStringLiteral("/stats.json")), processWaitMs);
        station.clock.advance(StatsReader::pollInterval);
        QTRY_VERIFY(PanelModel::of(state).positionWarning.has_value());

        const PanelModel panel = PanelModel::of(state);
        QCOMPARE(panel.hearing.figuresLine, QStringLiteral("Signal \u221214.2 dBFS \u00b7 noise \u221232.5"));
        QVERIFY(panel.hearing.hints.isEmpty());
        QCOMPARE(panel.rateHistory, QList<double>({0.0, 10.0})); // nothing written yet at the start
        QVERIFY(panel.positionWarning->startsWith(QStringLiteral("Aircraft you receive are around 40.")));
        const SettingsModel settings = SettingsModel::of(state);
        QCOMPARE(settings.station.positionWarning, panel.positionWarning);
        QCOMPARE(settings.receiver.hearing, panel.hearing);

        state.editStation([](StationConfig& c) {
            c.station.lat = -3.7;
            c.station.lon = 40.4;
        });
        QVERIFY(PanelModel::of(state).positionWarning->endsWith(
            QStringLiteral("Latitude and longitude look swapped.")));
        state.editStation([](StationConfig& c) {
            c.station.lat = 40.5;
            c.station.lon = -3.6;
        });
        QVERIFY(!PanelModel::of(state).positionWarning);

        // A stopped station hears nothing, and what it heard is forgotten.
        state.editStation([](StationConfig& c) { c.station.lat = 0; });
        QVERIFY(PanelModel::of(state).positionWarning);
        state.stopFeeding();
        QTRY_VERIFY(!PanelModel::of(state).hearing.figuresLine);
        QVERIFY(!SettingsModel::of(state).station.positionWarning);
        QVERIFY(PanelModel::of(state).rateHistory.isEmpty());
    }

    void invalidConfigurationStartsNothing()
    {
        StationHarness station;
        station.writeConfig(StationHarness::defaultConfigWith("station", QJsonObject{{"gain", "4,5"}}));
        AppState& state = station.launchApplication();
        station.settings->setPreventSleepWhileFeeding(true);

        state.startFeeding();

        QVERIFY(state.configError()->contains("4,5"));
        QVERIFY(in<supervisor_state::Stopped>(state));
        QCOMPARE(state.iconState(), StatusIcon::State::error);
        QVERIFY(!state.hasBackgroundActivity());
        QCOMPARE(station.locks->acquired, 0);
        QCOMPARE(station.decoderLaunches(), 0);

        // Nothing to apply to a feed that is not running.
        state.applySettingsToRunningFeed();
        QVERIFY(in<supervisor_state::Stopped>(state));
        QCOMPARE(station.decoderLaunches(), 0);
    }

    void unpluggedStickIsPolledForAndFeedingResumesWithTheSameCommandLine()
    {
        StationHarness station;
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY(in<supervisor_state::Running>(state));
        QTRY_VERIFY_WITH_TIMEOUT(!station.lastDecoderArguments().isEmpty(), processWaitMs);
        const QStringList firstArguments = station.lastDecoderArguments();
        const QList<MonitoredConnector> watched = state.supervisor().monitoredConnectors();
        QCOMPARE(watched.size(), 1);
        // A hand edit made now must not reach the relaunch after the stick comes back.
        station.writeConfig(withVireonOffAndOneOtherNetwork(1234));

        station.unplugStick();
        QTRY_VERIFY_WITH_TIMEOUT(hasFailed(state, SupervisorFailure::noDevice), processWaitMs);
        QTRY_VERIFY(state.isDeviceRecoveryPolling());
        QCOMPARE(state.statusLine(),
                 QStringLiteral("No RTL-SDR device \u2014 plug it in, feeding resumes automatically"));

        station.clock.advance(5s);
        station.clock.advance(5s);
        QVERIFY(hasFailed(state, SupervisorFailure::noDevice));
        QVERIFY(state.isDeviceRecoveryPolling());

        station.plugStick();
        QFile::remove(station.path(QStringLiteral("decoder-args")));
        station.clock.advance(5s);
        QVERIFY(!state.isDeviceRecoveryPolling());
        QTRY_VERIFY_WITH_TIMEOUT(in<supervisor_state::Running>(state), processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!station.lastDecoderArguments().isEmpty(), processWaitMs);
        QCOMPARE(station.lastDecoderArguments(), firstArguments);
        QCOMPARE(state.supervisor().monitoredConnectors(), watched);
        QTRY_VERIFY_WITH_TIMEOUT(state.supervisor().vireonConnectorUp(), processWaitMs);
        // Only the stats poll is left, and the moment fresh data would turn stale (watched by the
        // status line and by the notices alike).
        QTest::qWait(50);
        const bool live = StatusPresentation::hasLiveData(state.presentationInputs());
        QCOMPARE(station.clock.activeTimerCount(), live ? 3 : 1);
    }

    void theStickIsNamedAndUsedTheMomentTheSystemSaysSo()
    {
        StationHarness station;
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(state.supervisor().vireonConnectorUp(), processWaitMs);

        station.unplugStick();
        station.usbEvents->unplugged();
        // Named before the decoder notices, in the words its failure would have.
        QCOMPARE(state.statusLine(),
                 QStringLiteral("No RTL-SDR device \u2014 plug it in, feeding resumes automatically"));
        QCOMPARE(state.iconState(), StatusIcon::State::error);
        QTRY_VERIFY_WITH_TIMEOUT(state.isDeviceRecoveryPolling(), processWaitMs);

        // Plugged back: used at once, not at the next five-second poll.
        station.plugStick();
        station.usbEvents->plugged();
        QVERIFY(!state.isDeviceRecoveryPolling());
        QTRY_VERIFY_WITH_TIMEOUT(state.supervisor().vireonConnectorUp(), processWaitMs);
        QCOMPARE(station.decoderLaunches(), 2);
    }

    // Only the wish to feed keeps the poll going: not a launch without it, and not a stop.
    void noPollingWithoutTheWishToFeed()
    {
        StationHarness station;
        station.unplugStick();
        AppState& state = station.launchApplication();
        state.launchSupervisor(state.remoteConfig()); // not from the user's start: nothing is wished
        QTRY_VERIFY_WITH_TIMEOUT(hasFailed(state, SupervisorFailure::noDevice), processWaitMs);
        QTest::qWait(50);
        QVERIFY(!state.isDeviceRecoveryPolling());
        QCOMPARE(state.statusLine(), QStringLiteral("No RTL-SDR device found"));

        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(state.isDeviceRecoveryPolling(), processWaitMs);
        state.stopFeeding();
        QVERIFY(!state.isDeviceRecoveryPolling());
        station.plugStick();
        station.clock.advance(15s);
        QVERIFY(in<supervisor_state::Stopped>(state));
        QCOMPARE(station.decoderLaunches(), 2);
        QCOMPARE(state.statusLine(), QStringLiteral("Not feeding"));
    }

    void refreshedDocumentRelaunchesOnlyForANewIngestEndpoint()
    {
        StationHarness station;
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(station.ingest.hasReceivedUuid(QLatin1String(StationHarness::stationKey)),
                                 processWaitMs);

        // Presets changed, endpoint the same: the document is taken, the decoder left alone.
        station.publishIngestPort(station.ingest.port(), QStringLiteral("adsb.lol (renamed)"));
        state.applySettingsToRunningFeed();
        QTRY_VERIFY_WITH_TIMEOUT(state.remoteConfig().presets &&
                                     state.remoteConfig().presets->value(0).label ==
                                         QStringLiteral("adsb.lol (renamed)"),
                                 processWaitMs);
        // The apply itself connects once more; nothing after it does.
        QTRY_COMPARE_WITH_TIMEOUT(station.ingest.connectionCount(), 2, processWaitMs);
        QTest::qWait(500);
        QCOMPARE(station.ingest.connectionCount(), 2);
        QCOMPARE(station.decoderLaunches(), 2);

        // Another port while feeding: the refresh after a launch relaunches towards it.
        test::IngestListener moved;
        QVERIFY(moved.listen());
        station.publishIngestPort(moved.port());
        state.applySettingsToRunningFeed();
        QTRY_COMPARE_WITH_TIMEOUT(state.remoteConfig().ingest.port, qint64(moved.port()), processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(moved.hasReceivedUuid(QLatin1String(StationHarness::stationKey)),
                                 processWaitMs);
        QVERIFY(station.lastDecoderArguments().contains(
            QStringLiteral("127.0.0.1,%1,beast_reduce_plus_out,uuid=%2")
                .arg(moved.port())
                .arg(StationHarness::stationKey)));

        // While stopped, a moved endpoint only updates the document.
        state.stopFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(in<supervisor_state::Stopped>(state), processWaitMs);
        station.publishIngestPort(station.ingest.port());
        AppState& relaunched = station.launchApplication();
        QTRY_COMPARE_WITH_TIMEOUT(relaunched.remoteConfig().ingest.port, qint64(station.ingest.port()),
                                  processWaitMs);
        QVERIFY(in<supervisor_state::Stopped>(relaunched));
        QCOMPARE(station.decoderLaunches(), 0);
    }

    void aLaunchBeforeTheStartUpDocumentFollowsItWhenItComes()
    {
        StationHarness station;
        // Feeding resumes at launch, while the start-up refresh is still on its way: the decoder
        // starts towards the built-in endpoint, then both refreshes bring the published one.
        AppState& state = station.launchApplication(false);
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(station.ingest.hasReceivedUuid(QLatin1String(StationHarness::stationKey)),
                                 processWaitMs);
    }

    // A stop ends the activity and the lock; a quit gives the lock back, keeps the wish to feed and
    // leaves no decoder behind.
    void launchesShareOneActivityAndOneLockUntilStopOrQuit()
    {
        StationHarness station;
        AppState& state = station.launchApplication();
        station.settings->setPreventSleepWhileFeeding(true);

        state.startFeeding();
        QTRY_VERIFY(in<supervisor_state::Running>(state));
        state.applySettingsToRunningFeed();
        QTRY_COMPARE_WITH_TIMEOUT(station.decoderLaunches(), 2, processWaitMs);
        QCOMPARE(station.activitiesBegun, 1);
        QCOMPARE(station.locks->acquired, 1);
        QVERIFY(state.sleepAssertion().isActive());

        state.stopFeeding();
        QCOMPARE(station.activitiesEnded, 1);
        QVERIFY(!state.hasBackgroundActivity());
        QCOMPARE(station.locks->released, 1);
        QVERIFY(!state.sleepAssertion().isActive());
        QVERIFY(!station.settings->feedingDesired());

        state.startFeeding();
        QTRY_VERIFY(in<supervisor_state::Running>(state));
        const qint64 pid = lastDecoderPid(state);
        QVERIFY(pid > 0);
        station.quitApplication();
        QCOMPARE(::kill(pid_t(pid), 0), -1);
        QCOMPARE(station.locks->released, 2);
        QCOMPARE(station.activitiesEnded, 1); // the process is leaving anyway
        QVERIFY(in<supervisor_state::Stopped>(station.launchApplication()));
        QVERIFY(station.settings->feedingDesired());
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "TestAppState.moc"
