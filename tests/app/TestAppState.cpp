#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/SleepAssertion.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"
#include "stats/StatsReader.h"
#include "support/StationHarness.h"

#include <QJsonArray>
#include <QtTest>
#include <csignal>

using namespace std::chrono_literals;
using namespace vireon;
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

QJsonObject withVireonOffAndOneOtherNetwork(quint16 port)
{
    QJsonObject config = StationHarness::defaultConfig();
    config[QStringLiteral("vireon")] = QJsonObject{{QStringLiteral("enabled"), false}};
    config[QStringLiteral("extraConnectors")] = QJsonArray{
        QJsonObject{{QStringLiteral("id"), QStringLiteral("local-hub")},
                    {QStringLiteral("label"), QStringLiteral("Local hub")},
                    {QStringLiteral("enabled"), true},
                    {QStringLiteral("host"), QStringLiteral("127.0.0.1")},
                    {QStringLiteral("port"), port},
                    {QStringLiteral("uuid"), QStringLiteral("feedfeed-1111-4000-8000-000000000002")}}};
    return config;
}

} // namespace

class TestAppState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pausedPrimaryNetworkWarnsOnceAndTheOtherNetworksAreFed()
    {
        StationHarness station;
        station.writeConfig(withVireonOffAndOneOtherNetwork(station.ingest.port()));
        AppState& state = station.launchApplication();

        state.startFeeding();
        QVERIFY(state.isLaunchAwaitingAlert());
        station.alerts.dismissAll();

        QCOMPARE(station.alerts.alerts.size(), 1);
        QCOMPARE(station.alerts.alerts[0].first, QStringLiteral("Vireon feeding is paused"));
        QCOMPARE(station.alerts.alerts[0].second,
                 QStringLiteral(
                     "vireon.enabled is set to false in config.json, so this station currently feeds "
                     "only third-party networks. That\u2019s fine \u2014 feeding other networks is always "
                     "supported \u2014 but the tray icon won\u2019t turn green until Vireon feeding "
                     "is re-enabled."));
        QVERIFY(station.settings->vireonPauseWarned());
        QTRY_VERIFY_WITH_TIMEOUT(
            station.ingest.hasReceivedUuid(QStringLiteral("feedfeed-1111-4000-8000-000000000002")),
            processWaitMs);
        QTRY_VERIFY(in<supervisor_state::Running>(state));
        QCOMPARE(state.statusLine(), QStringLiteral("Feeding third-party networks \u00b7 Vireon paused"));

        AppState& relaunched = station.launchApplication();
        relaunched.startFeeding();
        QTRY_VERIFY(in<supervisor_state::Running>(relaunched));
        QCOMPARE(station.alerts.alerts.size(), 1);
    }

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
            station.store->setStationLat(48.5);
        station.alerts.dismissAll();

        QCOMPARE(station.settings->feedingDesired(), feedingDesired);
        QTRY_COMPARE_WITH_TIMEOUT(station.decoderLaunches(), launches, processWaitMs);
        QTest::qWait(200);
        QCOMPARE(station.decoderLaunches(), launches);
        QCOMPARE(state.isFeedingActive(), launches > 0);
        QCOMPARE(station.alerts.alerts.size(), 1);
        if (action == u"edit")
            QCOMPARE(state.supervisor().currentArguments(),
                     std::get<QStringList>(ReadsbCommand::arguments(
                         station.store->config(), state.config().ingest, station.store->jsonDirectory())));
    }

    void hungDecoderFilesTurnTheIconFromGreenWithNoOtherEvent()
    {
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
        const QDateTime expiry = state.stats().snapshot().updatedAt->addSecs(60);
        QSignalSpy presentation(&state, &AppState::presentationChanged);

        while (station.clock.now().addSecs(1) < expiry)
            station.clock.advance(1s);
        QTest::qWait(50);
        QCOMPARE(presentation.size(), 0);

        station.clock.advance(2s);
        QTRY_COMPARE(presentation.size(), 1);
        QCOMPARE(presentation.first().at(0).value<StatusIcon::State>(), StatusIcon::State::warning);
        QCOMPARE(presentation.first().at(1).toString(),
                 QStringLiteral("Connected \u00b7 waiting for aircraft\u2026"));
    }

    void invalidConfigurationStartsNothing()
    {
        StationHarness station;
        QJsonObject config = StationHarness::defaultConfig();
        QJsonObject stationSection = config[QStringLiteral("station")].toObject();
        stationSection[QStringLiteral("gain")] = QStringLiteral("4,5");
        config[QStringLiteral("station")] = stationSection;
        station.writeConfig(config);
        AppState& state = station.launchApplication();
        station.settings->setPreventSleepWhileFeeding(true);

        state.startFeeding();

        QCOMPARE(
            state.configError(),
            QStringLiteral(
                "Gain \u201c4,5\u201d is invalid \u2014 use \u201cauto\u201d or a dB number like 43.9."));
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
        // Only the stats poll is left, and the moment fresh data would turn stale.
        QTest::qWait(50);
        const bool live = StatusPresentation::hasLiveData(state.presentationInputs());
        QCOMPARE(station.clock.activeTimerCount(), live ? 2 : 1);
    }

    void noPollingWithoutTheWishToFeed()
    {
        StationHarness station;
        station.unplugStick();
        AppState& state = station.launchApplication();

        // A launch that did not come from the user's start (feedingDesired stays false).
        state.launchSupervisor(state.config());
        QTRY_VERIFY_WITH_TIMEOUT(hasFailed(state, SupervisorFailure::noDevice), processWaitMs);
        QTest::qWait(50);
        QVERIFY(!state.isDeviceRecoveryPolling());
        QCOMPARE(state.statusLine(), QStringLiteral("No RTL-SDR device found"));
    }

    void stoppingWhilePollingEndsThePoll()
    {
        StationHarness station;
        station.unplugStick();
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(state.isDeviceRecoveryPolling(), processWaitMs);

        state.stopFeeding();
        QVERIFY(!state.isDeviceRecoveryPolling());
        station.plugStick();
        station.clock.advance(15s);
        QVERIFY(in<supervisor_state::Stopped>(state));
        QCOMPARE(station.decoderLaunches(), 1);
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
        QTRY_VERIFY_WITH_TIMEOUT(state.config().presets && state.config().presets->value(0).label ==
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
        QTRY_COMPARE_WITH_TIMEOUT(state.config().ingest.port, qint64(moved.port()), processWaitMs);
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
        QTRY_COMPARE_WITH_TIMEOUT(relaunched.config().ingest.port, qint64(station.ingest.port()),
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

    void launchesShareOneActivityAndOneLock()
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
    }

    void quittingWhileFeedingStopsTheDecoderAndKeepsTheWish()
    {
        StationHarness station;
        AppState& state = station.launchApplication();
        station.settings->setPreventSleepWhileFeeding(true);
        state.startFeeding();
        QTRY_VERIFY(in<supervisor_state::Running>(state));
        const qint64 pid = lastDecoderPid(state);
        QVERIFY(pid > 0);

        station.quitApplication();

        QCOMPARE(::kill(pid_t(pid), 0), -1); // no decoder left behind
        QCOMPARE(station.locks->released, 1);
        QCOMPARE(station.activitiesEnded, 0); // the process is leaving anyway

        AppState& relaunched = station.launchApplication();
        QVERIFY(station.settings->feedingDesired());
        QVERIFY(in<supervisor_state::Stopped>(relaunched));
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "TestAppState.moc"
