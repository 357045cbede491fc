// VIREON_TEST_NEEDS_DBUS: the notifications go to a notification server of the test's own.
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/AttentionTracker.h"
#include "decoder/ReadsbSupervisor.h"
#include "support/StationHarness.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QJsonArray>
#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using namespace vireon::supervisor_state;
using Reading = AttentionTracker::Reading;
using vireon::test::StationHarness;

namespace {

// A run's start on the wall clock only tells runs apart; the tracker times on the monotonic clock.
const QDateTime start(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);

// A station feeding since 0 s on the monotonic clock, read `seconds` later.
Reading feeding(qint64 seconds, QList<AttentionTracker::Network> networks = {})
{
    Reading in;
    in.now = std::chrono::seconds(seconds);
    in.feedingDesired = true;
    in.supervisorState = Running{start};
    in.networks = std::move(networks);
    return in;
}

AttentionTracker::Network club(ConnectorHealth health)
{
    return {QStringLiteral("club"), QStringLiteral("Radio club"), std::move(health)};
}

const ConnectorHealth refused = ConnectorHealth::retrying(QStringLiteral("Connection refused"));

QStringList told(AttentionTracker& tracker, const Reading& in)
{
    QStringList conditions;
    for (const AttentionTracker::Notice& notice : tracker.observe(in))
        conditions.append(notice.condition);
    return conditions;
}

// The desktop's notification service as the test sees it: it records each call and can be clicked.
class NotificationServer final : public QDBusVirtualObject {
public:
    NotificationServer() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "notifications"))
    {
        if (!m_bus.registerVirtualObject("/org/freedesktop/Notifications", this) ||
            !m_bus.registerService("org.freedesktop.Notifications"))
            qFatal("cannot stand in for the notification service");
    }
    ~NotificationServer() override
    {
        m_bus.unregisterService("org.freedesktop.Notifications");
        m_bus.unregisterObject("/org/freedesktop/Notifications");
        QDBusConnection::disconnectFromBus("notifications");
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != "Notify")
            return false;
        calls.append(message.arguments());
        return connection.send(message.createReply(uint(calls.size())));
    }
    void click(uint id)
    {
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                         "org.freedesktop.Notifications", "ActionInvoked");
        signal << id << QStringLiteral("default");
        m_bus.send(signal);
    }
    QStringList summaries() const
    {
        QStringList result;
        for (const QVariantList& call : calls)
            result.append(call.value(3).toString());
        return result;
    }
    QList<QVariantList> calls;

private:
    QDBusConnection m_bus;
};

} // namespace

class TestAttention : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aNetworkIsToldAfterFiveMinutesCountedFromTheEndOfTheGrace()
    {
        AttentionTracker tracker;
        // Failing from the first second: the first minute is the decoder starting, not a fault.
        QCOMPARE(told(tracker, feeding(0)), QStringList());
        QCOMPARE(told(tracker, feeding(1, {club(refused)})), QStringList());
        QCOMPARE(tracker.nextDeadline(), 60s + 300s);
        QCOMPARE(told(tracker, feeding(359, {club(refused)})), QStringList());
        QCOMPARE(told(tracker, feeding(360, {club(refused)})), QStringList{"network:club"});
        QCOMPARE(told(tracker, feeding(400, {club(refused)})), QStringList()); // once per episode

        // A connected moment starts the five minutes afresh, and ends the episode: all is well again.
        QCOMPARE(told(tracker, feeding(500, {club(ConnectorHealth::connected())})), QStringList{"recovered"});
        QCOMPARE(told(tracker, feeding(510, {club(refused)})), QStringList());
        QCOMPARE(told(tracker, feeding(809, {club(refused)})), QStringList());
        // Failing again five minutes later, within half an hour of the first notice: not told again.
        QCOMPARE(told(tracker, feeding(810, {club(refused)})), QStringList());
        QCOMPARE(told(tracker, feeding(360 + 1800, {club(refused)})), QStringList{"network:club"});
    }

    void stopsAreToldAtOnceAndTheRecoveryOnce_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("condition");
        QTest::newRow("the stick unplugged") << int(SupervisorFailure::noDevice) << "stick";
        QTest::newRow("a crash loop") << int(SupervisorFailure::crashLoop) << "stopped";
        QTest::newRow("the stick held by another program") << int(SupervisorFailure::deviceBusy) << "stopped";
    }
    void stopsAreToldAtOnceAndTheRecoveryOnce()
    {
        QFETCH(int, failure);
        AttentionTracker tracker;
        QCOMPARE(told(tracker, feeding(10)), QStringList());
        Reading stopped = feeding(20);
        stopped.supervisorState = Failed{SupervisorFailure(failure)};
        QTEST(told(tracker, stopped).join(' '), "condition");
        stopped.now = 25s;
        QCOMPARE(told(tracker, stopped), QStringList());
        Reading again = feeding(30);
        again.supervisorState = Running{start.addSecs(30)};
        QCOMPARE(told(tracker, again), QStringList{"recovered"});

        // The user stopping the feed is no news, and leaves nothing to recover from.
        QCOMPARE(told(tracker, stopped), QStringList());
        Reading userStopped = feeding(40);
        userStopped.feedingDesired = false;
        userStopped.supervisorState = Stopped{};
        QCOMPARE(told(tracker, userStopped), QStringList());
    }

    void aDecoderThatStopsWritingIsToldAMinuteAfterItsLastWrite()
    {
        AttentionTracker tracker;
        Reading in = feeding(100);
        in.dataUnchangedSince = 95s;
        QCOMPARE(told(tracker, in), QStringList()); // no live data yet this run: only slow, not hung
        in.liveData = true;
        QCOMPARE(told(tracker, in), QStringList());
        QCOMPARE(tracker.nextDeadline(), 155s);
        in.liveData = false;
        in.now = 155s;
        QCOMPARE(told(tracker, in), QStringList{"stale"});
        // A restart of the decoder is not the data coming back: only fresh data is.
        in.supervisorState = Backoff{start.addSecs(160), 1};
        QCOMPARE(told(tracker, in), QStringList());
        in.supervisorState = Running{start.addSecs(170)};
        in.dataUnchangedSince = 171s;
        in.now = 172s;
        in.liveData = true;
        QCOMPARE(told(tracker, in), QStringList{"recovered"});
    }

    void theDesktopIsToldAndAClickOpensThePanel()
    {
        NotificationServer server;
        StationHarness station;
        QJsonObject config = StationHarness::defaultConfig();
        config["extraConnectors"] = QJsonArray{QJsonObject{
            {"id", "nobody"}, {"label", "Nobody"}, {"enabled", true}, {"host", "127.0.0.1"}, {"port", 1}}};
        station.writeConfig(config);
        // Connected, and no data files: the clock moved by hand would make them look stale.
        station.setScenario({"connect", "wait-for-file /nonexistent/never"});
        AppState& state = station.launchApplication();
        QSignalSpy panel(&state, &AppState::panelRequested);
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(state.supervisor().vireonConnectorUp(), 20'000);
        QTRY_COMPARE_WITH_TIMEOUT(state.supervisor().connectorHealth().value("nobody").kind,
                                  ConnectorHealth::Kind::retrying, 20'000);

        // Nothing to say until the network's five minutes (after the first one) have run out, and then
        // it is said without anything else happening; the wall clock set back an hour changes nothing.
        station.clock.setWallClock(-1h);
        station.clock.advance(359s);
        QTest::qWait(100);
        QVERIFY(server.calls.isEmpty());
        station.clock.advance(2s);
        QTRY_COMPARE(server.summaries(), QStringList{"Nobody has not connected for 5 minutes"});
        server.calls.clear();

        station.unplugStick();
        QTRY_COMPARE_WITH_TIMEOUT(server.summaries(),
                                  QStringList{"Feeding paused: the RTL-SDR stick is gone"}, 20'000);
        const QVariantList call = server.calls.first();
        QCOMPARE(call.value(0).toString(), QString("Vireon Feeder"));
        QCOMPARE(call.value(2).toString(), QString("vireon-feeder")); // the application's icon
        QCOMPARE(call.value(4).toString(), QString("Plug the stick back in; feeding resumes by itself."));
        QVERIFY(call.value(5).toStringList().contains("default"));
        server.click(1);
        QTRY_COMPARE(panel.size(), 1);

        station.plugStick();
        station.clock.advance(5s);
        QTRY_COMPARE_WITH_TIMEOUT(server.summaries().size(), 2, 20'000);
        QCOMPARE(server.summaries().last(), QString("Vireon Feeder is feeding normally again"));

        // Turned off, nothing is told.
        station.settings->setNotifyWhenAttentionNeeded(false);
        station.unplugStick();
        QTRY_VERIFY_WITH_TIMEOUT(state.isDeviceRecoveryPolling(), 20'000);
        QTest::qWait(200);
        QCOMPARE(server.calls.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestAttention)
#include "TestAttention.moc"
