// The station's mlat-clients as the application runs them: with the decoder, through its relaunches
// and deaths, never without a position and an altitude, and never outliving the application.
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "decoder/MlatSupervisor.h"
#include "decoder/ReadsbSupervisor.h"
#include "presentation/networks/NetworksModel.h"
#include "presentation/settings/SettingsModel.h"
#include "support/StationHarness.h"

#include <QJsonArray>
#include <QtTest>
#include <csignal>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::StationHarness;

namespace {

constexpr int processWaitMs = 20'000;
constexpr quint16 mlatPort = 31090;
const QString primaryKey = QString::fromLatin1(StationHarness::stationKey);
const QString otherKey = QStringLiteral("feedfeed-1111-4000-8000-000000000002");

QJsonObject configWithAltitude(const QJsonValue& alt)
{
    QJsonObject config = StationHarness::defaultConfig();
    QJsonObject station = config.value("station").toObject();
    station.insert("alt", alt);
    config.insert("station", station);
    return config;
}

// The primary network and one of the user's own, each with an MLAT server.
QJsonObject twoNetworks()
{
    QJsonObject config = configWithAltitude(48);
    config["extraConnectors"] =
        QJsonArray{QJsonObject{{"id", "club"},
                               {"enabled", true},
                               {"host", "127.0.0.1"},
                               {"port", 30004},
                               {"uuid", otherKey},
                               {"mlatServer", QJsonObject{{"host", "127.0.0.1"}, {"port", 40900}}}}};
    return config;
}

template <class State>
bool decoderIn(const AppState& state)
{
    return std::holds_alternative<State>(state.supervisor().state());
}

template <class State>
bool clientIn(const AppState& state, const QString& id)
{
    const std::optional<MlatClientStatus> client = state.mlat().client(id);
    return client && std::holds_alternative<State>(client->state);
}

QList<qint64> launchedPids(const AppState& state, const QString& id)
{
    QList<qint64> pids;
    const LogRingBuffer* log = state.mlat().log(id);
    for (const QString& line : log ? log->lines() : QStringList()) {
        if (line.startsWith(QStringLiteral("supervisor: launched mlat-client (pid ")))
            pids.append(line.section(QStringLiteral("pid "), 1).chopped(1).toLongLong());
    }
    return pids;
}

bool alive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}

qint64 decoderPid(const AppState& state)
{
    const QString launched =
        state.supervisor().logBuffer().lines().filter(QStringLiteral("launched readsb")).last();
    return launched.section(QStringLiteral("pid "), 1).chopped(1).toLongLong();
}

QString mlatLine(const AppState& state)
{
    const NetworksModel model = NetworksModel::of(state);
    return model.vireonMlat && model.vireonMlat->line ? model.vireonMlat->line->text : QString();
}

} // namespace

class TestMlatFeeding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theClientFollowsTheDecoderThroughRelaunchesDeathsAndStops()
    {
        StationHarness station;
        station.publishIngestPort(station.ingest.port(), QStringLiteral("adsb.lol"), mlatPort);
        station.writeConfig(configWithAltitude(48));
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(clientIn<supervisor_state::Running>(state, "vireon"), processWaitMs);
        QVERIFY(decoderIn<supervisor_state::Running>(state));
        QTRY_VERIFY_WITH_TIMEOUT(!station.lastMlatArguments(primaryKey).isEmpty(), processWaitMs);
        const QString jsonDir = state.mlatPlan().value(0).statsFile.section(u'/', 0, -2);
        QCOMPARE(station.lastMlatArguments(primaryKey),
                 (QStringList{"--input-type", "beast", "--input-connect", "127.0.0.1:30005", "--server",
                              "127.0.0.1:31090", "--lat", "52.520008", "--lon", "13.404954", "--alt", "48.0",
                              "--user", "Rooftop", "--uuid", primaryKey, "--stats-json",
                              jsonDir + "/mlat-vireon.json"}));
        QCOMPARE(jsonDir, station.store->jsonDirectory());
        QTRY_COMPARE_WITH_TIMEOUT(mlatLine(state), QStringLiteral("MLAT: connecting\u2026"), processWaitMs);

        // "Apply to Running Feed" with a new altitude: a new decoder, and a new client told the new height.
        state.editStation([](StationConfig& config) { config.station.alt = 60; });
        state.applySettingsToRunningFeed();
        QTRY_COMPARE_WITH_TIMEOUT(launchedPids(state, "vireon").size(), 2, processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(station.lastMlatArguments(primaryKey).contains("60.0"), processWaitMs);
        QCOMPARE(station.decoderLaunches(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!alive(launchedPids(state, "vireon").first()), processWaitMs);

        // The decoder dies: its client goes with it, and comes back with the decoder's restart.
        QCOMPARE(::kill(pid_t(decoderPid(state)), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(decoderIn<supervisor_state::Backoff>(state), processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(clientIn<supervisor_state::Stopped>(state, "vireon"), processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!alive(launchedPids(state, "vireon").last()), processWaitMs);
        station.clock.advance(2s);
        QTRY_VERIFY_WITH_TIMEOUT(clientIn<supervisor_state::Running>(state, "vireon"), processWaitMs);
        QCOMPARE(launchedPids(state, "vireon").size(), 3);

        state.stopFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(clientIn<supervisor_state::Stopped>(state, "vireon"), processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!alive(launchedPids(state, "vireon").last()), processWaitMs);
        QCOMPARE(mlatLine(state), QStringLiteral("MLAT: off"));
    }

    // A client that keeps dying is restarted and given up on by its own count; the decoder and the
    // other network's client carry on.
    void aCrashingClientIsGivenUpOnAlone()
    {
        StationHarness station;
        station.publishIngestPort(station.ingest.port(), QStringLiteral("adsb.lol"), mlatPort);
        station.writeConfig(twoNetworks());
        station.setMlatScenario({"connect", "exit 1"});
        QDir().mkpath(station.path("per-key"));
        for (const auto& [key, steps] : {std::pair{primaryKey, QByteArray("connect\nexit 1")},
                                         std::pair{otherKey, QByteArray("connect\nrun")}}) {
            QFile out(station.path("per-key/") + key);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(steps);
        }
        qputenv("FAKE_MLAT_SCENARIO", station.path("per-key").toUtf8());
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(clientIn<supervisor_state::Running>(state, "club"), processWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(clientIn<supervisor_state::Backoff>(state, "vireon"), processWaitMs);
        for (int exits = 2; exits <= 6; ++exits) {
            station.clock.advance(60s);
            QTRY_COMPARE_WITH_TIMEOUT(launchedPids(state, "vireon").size(), exits, processWaitMs);
            QTRY_VERIFY_WITH_TIMEOUT(!clientIn<supervisor_state::Running>(state, "vireon") &&
                                         !clientIn<supervisor_state::Launching>(state, "vireon"),
                                     processWaitMs);
        }
        QVERIFY(clientIn<supervisor_state::Failed>(state, "vireon"));
        QCOMPARE(mlatLine(state), QStringLiteral("MLAT: mlat-client keeps stopping \u2014 see the report"));
        QVERIFY(clientIn<supervisor_state::Running>(state, "club"));
        QCOMPARE(launchedPids(state, "club").size(), 1);
        QVERIFY(decoderIn<supervisor_state::Running>(state));
    }

    void noClientWithoutAnAltitude_data()
    {
        QTest::addColumn<QJsonValue>("alt");
        QTest::newRow("no altitude in the file") << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("an altitude that is no number") << QJsonValue("48 m");
    }
    void noClientWithoutAnAltitude()
    {
        QFETCH(QJsonValue, alt);
        StationHarness station;
        station.publishIngestPort(station.ingest.port(), QStringLiteral("adsb.lol"), mlatPort);
        QJsonObject config = configWithAltitude(alt);
        if (alt.isUndefined())
            config["station"] = StationHarness::defaultConfig().value("station");
        station.writeConfig(config);
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(decoderIn<supervisor_state::Running>(state), processWaitMs);
        QTest::qWait(300);
        QVERIFY(state.mlatPlan().isEmpty());
        QVERIFY(state.mlat().clients().isEmpty());
        QVERIFY(!QFile::exists(station.path(primaryKey + ".args")));
        QCOMPARE(mlatLine(state), QStringLiteral("MLAT: needs your antenna's altitude"));
        QVERIFY(SettingsModel::of(state).mlatReadiness.join(' ').contains("altitude"));

        // With MLAT switched off everywhere there is nothing to tell.
        state.setNetworkMlat("vireon", false);
        QCOMPARE(mlatLine(state), QString());
        QVERIFY(SettingsModel::of(state).mlatReadiness.isEmpty());
    }

    void theClientDiesWithTheApplication()
    {
        StationHarness station;
        station.publishIngestPort(station.ingest.port(), QStringLiteral("adsb.lol"), mlatPort);
        station.writeConfig(configWithAltitude(48));
        station.setMlatScenario({"report-pdeathsig", "connect", "run"});
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(state.mlat().log("vireon") &&
                                     state.mlat().log("vireon")->lines().contains(
                                         QStringLiteral("parent-death signal: %1").arg(SIGTERM)),
                                 processWaitMs);
    }

    void quittingEndsBothClients()
    {
        StationHarness station;
        station.publishIngestPort(station.ingest.port(), QStringLiteral("adsb.lol"), mlatPort);
        station.writeConfig(twoNetworks());
        AppState& state = station.launchApplication();
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(clientIn<supervisor_state::Running>(state, "vireon") &&
                                     clientIn<supervisor_state::Running>(state, "club"),
                                 processWaitMs);
        const qint64 primary = launchedPids(state, "vireon").last();
        const qint64 other = launchedPids(state, "club").last();
        // The stand-in writes down its arguments once it runs, which may be a moment after the start.
        QTRY_VERIFY_WITH_TIMEOUT(station.lastMlatArguments(otherKey).contains("127.0.0.1:40900"),
                                 processWaitMs);
        station.quitApplication();
        QVERIFY(!alive(primary));
        QVERIFY(!alive(other));
    }
};

QTEST_GUILESS_MAIN(TestMlatFeeding)
#include "TestMlatFeeding.moc"
