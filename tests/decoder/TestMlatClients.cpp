#include "decoder/MlatCommand.h"
#include "decoder/MlatOutputReader.h"
#include "decoder/MlatStats.h"
#include "decoder/MlatSupervisor.h"
#include "support/ManualTimeSource.h"

#include <QProcess>
#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::ManualTimeSource;

Q_DECLARE_METATYPE(StationConfig)

#define WAIT_UNTIL(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, 30000)

namespace {

constexpr const char* keyA = "0123abcd-0000-4000-8000-00000000000a";
constexpr const char* keyB = "0123abcd-0000-4000-8000-00000000000b";

// A station ready for MLAT with one preset network on.
StationConfig readyStation()
{
    StationConfig config;
    config.station = {QStringLiteral("Roof"), 52.52345, 13.40512, QStringLiteral("auto"), 48.0};
    StationConfig::ExtraConnector lol{QStringLiteral("adsb-lol"),
                                      QStringLiteral("adsb.lol"),
                                      true,
                                      QStringLiteral("feed.adsb.lol"),
                                      30004,
                                      QStringLiteral("beast_reduce_plus_out"),
                                      QString::fromLatin1(keyA)};
    config.extraConnectors = {lol};
    return config;
}

template <typename S>
bool is(const SupervisorState& state)
{
    return std::holds_alternative<S>(state);
}

} // namespace

class TestMlatClients : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ManualTimeSource> m_clock;
    std::unique_ptr<MlatSupervisor> m_sup;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    void useScenario(const char* uuid, const QStringList& steps)
    {
        QDir().mkpath(path("scenarios"));
        QFile out(path("scenarios/") + QString::fromLatin1(uuid));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(steps.join(u'\n').toUtf8());
    }
    QStringList recorded(const char* uuid) const
    {
        QFile file(path(QString::fromLatin1(uuid) + ".args"));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }
    MlatCommand::Client client(const char* id, const char* uuid) const
    {
        const QString stats = path(QStringLiteral("mlat-%1.json").arg(QLatin1String(id)));
        return MlatCommand::Client{
            QString::fromLatin1(id),
            QString::fromLatin1(id),
            QStringLiteral("127.0.0.1:31090"),
            QString::fromLatin1(uuid),
            stats,
            {"--server", "127.0.0.1:31090", "--uuid", QString::fromLatin1(uuid), "--stats-json", stats}};
    }
    MlatClientStatus status(const char* id) const { return m_sup->client(QString::fromLatin1(id)).value(); }
    int liveClients() const
    {
        const auto processes = m_sup->findChildren<QProcess*>();
        return int(std::count_if(processes.begin(), processes.end(),
                                 [](QProcess* p) { return p->state() != QProcess::NotRunning; }));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_unique<ManualTimeSource>(QDateTime::currentDateTimeUtc());
        m_sup = std::make_unique<MlatSupervisor>(*m_clock);
        m_sup->setBinaryLocator([] { return QStringLiteral(VIREON_FAKE_MLAT_CLIENT); });
        qputenv("FAKE_MLAT_ARGS_DIR", m_dir->path().toUtf8());
        qputenv("FAKE_MLAT_SCENARIO", path("scenarios").toUtf8());
        useScenario("default", {"connect", "run"});
    }
    void cleanup() { m_sup.reset(); }

    void commandLine_data()
    {
        QTest::addColumn<StationConfig>("config");
        QTest::addColumn<QStringList>("expected"); // empty: no client

        const StationConfig ready = readyStation();
        const QString stats = QStringLiteral("/json/mlat-adsb-lol.json");
        const QStringList full{"--input-type",    "beast",
                               "--input-connect", "127.0.0.1:30005",
                               "--server",        "feed.adsb.lol:31090",
                               "--lat",           "52.523450",
                               "--lon",           "13.405120",
                               "--alt",           "48.0",
                               "--user",          "Roof",
                               "--uuid",          QString::fromLatin1(keyA),
                               "--stats-json",    stats};
        QTest::newRow("a ready station gets the client for its network") << ready << full;

        StationConfig hidden = ready;
        hidden.extraConnectors[0].mlatPrivacy = true;
        QTest::newRow("hiding the station adds --privacy") << hidden << (full + QStringList{"--privacy"});

        StationConfig named = ready;
        named.station.name = QStringLiteral("--Roof top/ü");
        named.localOutputs.beastPort = 31005;
        QStringList sanitised = full;
        sanitised[3] = QStringLiteral("127.0.0.1:31005");
        sanitised[13] = QStringLiteral("Roof_top__");
        QTest::newRow("a name no server accepts is made plain; the Beast port follows the config")
            << named << sanitised;

        StationConfig unnamed = ready;
        unnamed.station.name.clear();
        QStringList fallback = full;
        fallback[13] = QStringLiteral("vireon-feeder");
        QTest::newRow("without a name the client says vireon-feeder") << unnamed << fallback;

        StationConfig noKey = ready;
        noKey.extraConnectors[0].uuid.reset();
        QTest::newRow("a network without a UUID gets no client") << noKey << QStringList();
        StationConfig off = ready;
        off.extraConnectors[0].mlat = false;
        QTest::newRow("MLAT switched off") << off << QStringList();
        StationConfig disabled = ready;
        disabled.extraConnectors[0].enabled = false;
        QTest::newRow("network switched off") << disabled << QStringList();
        StationConfig noAltitude = ready;
        noAltitude.station.alt.reset();
        QTest::newRow("altitude not set") << noAltitude << QStringList();
        StationConfig nowhere = ready;
        nowhere.station.lat = 0.05;
        nowhere.station.lon = -0.05;
        QTest::newRow("a position the client takes for unset") << nowhere << QStringList();
        StationConfig custom = ready;
        custom.extraConnectors[0].id = QStringLiteral("custom-x");
        QTest::newRow("a network of the user's own without a server") << custom << QStringList();
    }
    void commandLine()
    {
        QFETCH(StationConfig, config);
        QFETCH(QStringList, expected);
        const auto clients = MlatCommand::clients(config, FeederConfig::fallback(), QStringLiteral("/json"));
        QCOMPARE(clients.isEmpty() ? QStringList() : clients.constFirst().arguments, expected);
    }

    void networksAndFiles()
    {
        StationConfig config = readyStation();
        // A server of the user's own wins over the preset's; a hand-written id cannot leave the folder.
        config.extraConnectors[0].mlatServer =
            FeederConfig::MlatServer{QStringLiteral("mlat.example.net"), 40900};
        config.extraConnectors.append(config.extraConnectors[0]);
        config.extraConnectors[1].id = QStringLiteral("../../etc/x");
        config.extraConnectors[1].uuid = QString::fromLatin1(keyB);
        FeederConfig remote = FeederConfig::fallback();
        remote.ingest.mlat = FeederConfig::MlatServer{QStringLiteral("mlat.vireon.network"), 31090};
        config.vireon.uuid = QString::fromLatin1(keyB);
        const auto clients = MlatCommand::clients(config, remote, m_dir->path());
        QCOMPARE(clients.size(), 3);
        QCOMPARE(clients[0].server, QStringLiteral("mlat.vireon.network:31090"));
        QCOMPARE(clients[1].server, QStringLiteral("mlat.example.net:40900"));
        QCOMPARE(QFileInfo(clients[2].statsFile).dir().path(), m_dir->path());
        QCOMPARE(QFileInfo(clients[2].statsFile).fileName(), QStringLiteral("mlat-.._.._etc_x.json"));
    }

    void output_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("phase");
        QTest::addColumn<QStringList>("refusal");
        QTest::newRow("handshaking")
            << QStringList{"mlat-client 0.4.2 starting up",
                           "Connected to multilateration server at feed.adsb.lol:31090, "
                           "handshaking"}
            << int(MlatLink::Phase::connecting) << QStringList();
        QTest::newRow("handshake complete") << QStringList{"Handshake complete: Compression zlib2, UDP "
                                                           "transport disabled, Split sync disabled"}
                                            << int(MlatLink::Phase::connected) << QStringList();
        QTest::newRow("the input's reconnects say nothing of the server")
            << QStringList{"Handshake complete: x", "Connection to 127.0.0.1:30005 failed: [Errno 111]"}
            << int(MlatLink::Phase::connected) << QStringList();
        QTest::newRow("a lost server link")
            << QStringList{"Handshake complete: x", "Lost connection to feed.adsb.lol:31090"}
            << int(MlatLink::Phase::connecting) << QStringList();
        QTest::newRow("refused, with each reason; retries keep it")
            << QStringList{"<3>Server explicitly rejected our connection, saying:", "  Bad UUID",
                           "  Try again",
                           "Connection to feed.adsb.lol:31090 lost: Server rejected our connection attempt",
                           "Connected to multilateration server at feed.adsb.lol:31090, handshaking"}
            << int(MlatLink::Phase::refused) << QStringList{"Bad UUID", "Try again"};
        QTest::newRow("a later handshake clears the refusal")
            << QStringList{"Server explicitly rejected our connection, saying:", "  Bad UUID",
                           "Handshake complete"}
            << int(MlatLink::Phase::connected) << QStringList();
    }
    void output()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, phase);
        QFETCH(QStringList, refusal);
        LogRingBuffer log(50);
        MlatOutputReader reader(log);
        reader.reset(QStringLiteral("feed.adsb.lol:31090"));
        // Split mid-line, as a pipe delivers it.
        const QByteArray bytes = lines.join(u'\n').toUtf8() + '\n';
        reader.feed(bytes.left(bytes.size() / 2));
        reader.feed(bytes.mid(bytes.size() / 2));
        QCOMPARE(int(reader.link().phase), phase);
        QCOMPARE(reader.link().refusal, refusal);
        QVERIFY(!log.lines().constFirst().startsWith(u'<'));
    }

    void aLineIsBoundedHoweverItArrives()
    {
        LogRingBuffer log(50);
        MlatOutputReader reader(log);
        reader.reset(QStringLiteral("feed.adsb.lol:31090"));
        reader.feed(QByteArray(10000, 'x') + '\n'); // whole, in one read
        reader.feed(QByteArray(10000, 'y'));        // never ended
        reader.feed("\nHandshake complete: x\n");
        QCOMPARE(log.lines().size(), 4);
        for (const QString& line : log.lines())
            QVERIFY(line.size() <= 4096);
        QCOMPARE(reader.link().phase, MlatLink::Phase::connected);
    }

    void stats_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<qint64>("peers");
        QTest::addColumn<double>("good"); // -1: absent
        QTest::addColumn<bool>("parsed");
        QTest::newRow("the client's file") << QByteArray(R"({"now": 1700000000, "peer_count": 14,
            "good_sync_percentage_last_hour": 80, "bad_sync_percentage_last_hour": 2, "bad_sync_timeout": 0,
            "outlier_percent": 1.5})") << qint64(14)
                                           << 80.0 << true;
        QTest::newRow("no report yet this hour") << QByteArray(R"({"peer_count": 3,
            "good_sync_percentage_last_hour": -1})")
                                                 << qint64(3) << -1.0 << true;
        QTest::newRow("wild numbers count as missing") << QByteArray(R"({"peer_count": 1e300,
            "good_sync_percentage_last_hour": "80"})") << qint64(0)
                                                       << -1.0 << true;
        QTest::newRow("half a file") << QByteArray(R"({"peer_count": 1)") << qint64(0) << -1.0 << false;
    }
    void stats()
    {
        QFETCH(QByteArray, json);
        QFETCH(qint64, peers);
        QFETCH(double, good);
        QFETCH(bool, parsed);
        const auto stats = MlatStats::parse(json);
        QCOMPARE(stats.has_value(), parsed);
        if (!stats)
            return;
        QCOMPARE(stats->peers, peers);
        QCOMPARE(stats->goodSyncPercent.value_or(-1), good);
    }

    void runsOneClientPerNetworkAndReadsItsStats()
    {
        useScenario(keyA, {"connect", "accept", "stats peers=14 good=80 bad=2 age=0", "run"});
        useScenario(keyB, {"deny Your UUID is not registered", "run"});
        m_sup->start({client("lol", keyA), client("fi", keyB)});
        WAIT_UNTIL(is<supervisor_state::Running>(status("lol").state) &&
                   is<supervisor_state::Running>(status("fi").state));
        WAIT_UNTIL(status("lol").link.phase == MlatLink::Phase::connected);
        QCOMPARE(recorded(keyA), client("lol", keyA).arguments);
        WAIT_UNTIL(status("fi").link.phase == MlatLink::Phase::refused);
        QCOMPARE(status("fi").link.refusal, QStringList{"Your UUID is not registered"});
        WAIT_UNTIL(QFile::exists(path("mlat-lol.json")));
        m_clock->advance(5s);
        QCOMPARE(status("lol").stats.value().peers, 14);

        // A start without a network stops that network's client only.
        m_sup->start({client("lol", keyA)});
        WAIT_UNTIL(liveClients() == 1);
        QCOMPARE(m_sup->clients().size(), 1);
    }

    // Setting the time while the client keeps failing neither hides the crash loop nor ends it.
    void restartsByTheDecodersRules_data()
    {
        QTest::addColumn<int>("wallClockSetBy");
        QTest::newRow("clock left alone") << 0;
        QTest::newRow("clock set forward a day") << 86400;
    }
    void restartsByTheDecodersRules()
    {
        QFETCH(int, wallClockSetBy);
        useScenario(keyA, {"exit 1"});
        m_sup->start({client("lol", keyA)});
        WAIT_UNTIL(is<supervisor_state::Backoff>(status("lol").state));
        QCOMPARE(std::get<supervisor_state::Backoff>(status("lol").state).attempt, 1);
        for (int exits = 2; exits <= 6; ++exits) {
            if (exits == 4)
                m_clock->setWallClock(std::chrono::seconds(wallClockSetBy));
            m_clock->advance(60s);
            WAIT_UNTIL(!is<supervisor_state::Running>(status("lol").state) &&
                       !is<supervisor_state::Launching>(status("lol").state) &&
                       (is<supervisor_state::Failed>(status("lol").state) ||
                        std::get<supervisor_state::Backoff>(status("lol").state).attempt == exits));
        }
        QCOMPARE(status("lol").state,
                 SupervisorState(supervisor_state::Failed{SupervisorFailure::crashLoop}));
    }

    void quitsWithinTheBoundEvenWhenAClientIgnoresSigterm()
    {
        useScenario(keyA, {"ignore-sigterm", "connect", "run"});
        m_sup->start({client("lol", keyA), client("fi", keyB)});
        // Connecting: each has its signal handling in place.
        WAIT_UNTIL(status("lol").link.phase == MlatLink::Phase::connecting &&
                   status("fi").link.phase == MlatLink::Phase::connecting);
        m_sup->stopAndWait(1s);
        QCOMPARE(liveClients(), 0);
        QVERIFY(m_sup->log(QStringLiteral("lol"))->lines().join(u'\n').contains("killing it"));
        QVERIFY(!m_sup->log(QStringLiteral("fi"))->lines().join(u'\n').contains("killing it"));
    }

    void missingClientIsSaid()
    {
        m_sup->setBinaryLocator([] { return std::nullopt; });
        m_sup->start({client("lol", keyA)});
        QCOMPARE(status("lol").state,
                 SupervisorState(supervisor_state::Failed{SupervisorFailure::binaryMissing}));
    }
};

QTEST_GUILESS_MAIN(TestMlatClients)
#include "TestMlatClients.moc"
