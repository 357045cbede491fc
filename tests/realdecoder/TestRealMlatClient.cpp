// The real mlat-client in the loop: the one scripts/build-mlat-client puts beside the application, run
// by the supervisor with the command line a station really gets, against an MLAT server of ours on
// 127.0.0.1. What the network row says comes from the client's own words and its own stats file. Where
// no client was built the suite says so and skips, unless the test command built one
// (VIREON_REQUIRE_REAL_MLAT_CLIENT), in which case a missing client fails it.
#include "decoder/MlatCommand.h"
#include "decoder/MlatSupervisor.h"
#include "presentation/networks/MlatRowModel.h"
#include "support/IngestListener.h"
#include "support/MlatTestServer.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QtTest>
#include <csignal>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::IngestListener;
using vireon::test::MlatTestServer;

// The client retries a refused or lost link after about ten seconds; these bound a failing wait.
#define WAIT_UNTIL(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, 30000)

namespace {

const QString stationKey = QStringLiteral("0123abcd-0000-4000-8000-0000000000a1");

} // namespace

class TestRealMlatClient : public QObject {
    Q_OBJECT

    QString m_client;
    std::unique_ptr<QTemporaryDir> m_dir;
    // Stands in for the decoder's Beast output, which the client reads once the server accepts it.
    std::unique_ptr<IngestListener> m_beast;
    std::unique_ptr<MlatTestServer> m_server;
    std::unique_ptr<MlatSupervisor> m_sup;
    StationConfig m_config;
    FeederConfig m_remote;

    void configure(bool hidden)
    {
        m_config = StationConfig{};
        m_config.station.name = QStringLiteral("Roof");
        m_config.station.lat = 52.52345;
        m_config.station.lon = -13.40512;
        m_config.station.alt = 48.5;
        m_config.vireon.uuid = stationKey;
        m_config.vireon.mlatPrivacy = hidden;
        m_config.localOutputs.beastPort = m_beast->port();
        m_remote = FeederConfig::fallback();
        m_remote.presets = QList<FeederConfig::Preset>{};
        m_remote.ingest.mlat = FeederConfig::MlatServer{QStringLiteral("127.0.0.1"), m_server->port()};
    }

    void start()
    {
        const QList<MlatCommand::Client> clients = MlatCommand::clients(m_config, m_remote, m_dir->path());
        QCOMPARE(clients.size(), 1);
        m_sup->start(clients);
    }

    MlatClientStatus status() const { return m_sup->client(MlatCommand::primaryId).value(); }

    // The network row's MLAT line, as the settings show it now.
    QString rowLine() const
    {
        MlatRowModel::Inputs in;
        in.network = MlatCommand::networks(m_config, m_remote).value(0);
        in.station = m_config.station;
        in.feedingActive = true;
        in.planned = true;
        in.client = m_sup->client(MlatCommand::primaryId);
        in.now = QDateTime::currentDateTimeUtc();
        const MlatRowModel row = MlatRowModel::make(in);
        return row.line ? row.line->text : QString();
    }

    QString logText() const { return m_sup->log(MlatCommand::primaryId)->lines().join(u'\n'); }

private Q_SLOTS:
    void initTestCase()
    {
        m_client = QStringLiteral(VIREON_REAL_MLAT_CLIENT);
        if (!QFileInfo(m_client).isExecutable()) {
            if (qEnvironmentVariableIsSet("VIREON_REQUIRE_REAL_MLAT_CLIENT"))
                QFAIL(qPrintable(
                    QStringLiteral("the test command built mlat-client, but %1 is missing").arg(m_client)));
            QSKIP(qPrintable(QStringLiteral("no mlat-client at %1: scripts/build-mlat-client builds one (the "
                                            "test command runs it); without its source or Python's build "
                                            "packages the real-client suite skips")
                                 .arg(m_client)));
        }
        QFile commit(m_client + QStringLiteral(".commit"));
        if (commit.open(QIODevice::ReadOnly))
            qInfo("real mlat-client: %s, commit %s", qPrintable(m_client),
                  commit.readAll().trimmed().constData());
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_beast = std::make_unique<IngestListener>();
        QVERIFY(m_beast->listen());
        m_server = std::make_unique<MlatTestServer>();
        QVERIFY(m_server->listen());
        m_sup = std::make_unique<MlatSupervisor>(TimeSource::system());
        m_sup->setBinaryLocator([this] { return std::optional(m_client); });
    }

    void cleanup()
    {
        if (m_sup)
            m_sup->stopAndWait(5s);
        m_sup.reset();
        m_server.reset();
        m_beast.reset();
    }

    void theHandshakeCarriesTheStationAndTheRowFollowsTheLink_data()
    {
        QTest::addColumn<bool>("hidden");
        QTest::newRow("a station shown on coverage maps") << false;
        QTest::newRow("a station hidden from coverage maps") << true;
    }
    void theHandshakeCarriesTheStationAndTheRowFollowsTheLink()
    {
        QFETCH(bool, hidden);
        configure(hidden);
        m_server->setAnswer(MlatTestServer::Answer::hold);
        start();

        WAIT_UNTIL(m_server->handshakes().size() == 1);
        const QJsonObject handshake = m_server->handshakes().constFirst();
        QCOMPARE(handshake.value("uuid").toString(), stationKey);
        QCOMPARE(handshake.value("lat").toDouble(), 52.52345);
        QCOMPARE(handshake.value("lon").toDouble(), -13.40512);
        QCOMPARE(handshake.value("alt").toDouble(), 48.5);
        QCOMPARE(handshake.value("privacy").toBool(), hidden);
        QCOMPARE(handshake.value("user").toString(), QStringLiteral("Roof"));

        // Handshaking, as the client itself says, with no answer yet.
        WAIT_UNTIL(status().link.phase == MlatLink::Phase::connecting);
        QCOMPARE(rowLine(), QStringLiteral("MLAT: connecting\u2026"));

        m_server->setAnswer(MlatTestServer::Answer::accept);
        WAIT_UNTIL(status().link.phase == MlatLink::Phase::connected);
        QCOMPARE(rowLine(), QStringLiteral("MLAT: connected, not yet synchronised"));
        // Once accepted, the client reads the decoder's Beast output.
        WAIT_UNTIL(m_beast->connectionCount() > 0);

        // The server's figures reach the row through the client's own stats file.
        m_server->sendStats(
            QJsonObject{{"peer_count", 7}, {"bad_sync_timeout", 0}, {"outlier_percent", 0.4}});
        WAIT_UNTIL(QFileInfo::exists(m_dir->filePath(QStringLiteral("mlat-vireon.json"))));
        WAIT_UNTIL(rowLine() == QStringLiteral("MLAT: synchronised with 7 peers"));
        QCOMPARE(status().stats->peers, 7);
    }

    void aRefusalShowsTheServersReasonAndOutlastsTheRetries()
    {
        configure(false);
        m_server->setAnswer(MlatTestServer::Answer::deny,
                            {QStringLiteral("Your UUID is not registered here")});
        start();
        WAIT_UNTIL(status().link.phase == MlatLink::Phase::refused);
        QCOMPARE(rowLine(), QStringLiteral("MLAT: refused \u2014 Your UUID is not registered here"));
        QVERIFY(logText().contains(QStringLiteral("Server explicitly rejected our connection")));

        // The client does not give up: it hands the server another handshake, and the row keeps the
        // reason through it.
        WAIT_UNTIL(m_server->handshakes().size() >= 2);
        QVERIFY(std::holds_alternative<supervisor_state::Running>(status().state));
        QCOMPARE(rowLine(), QStringLiteral("MLAT: refused \u2014 Your UUID is not registered here"));

        // Registered meanwhile: the next handshake is accepted and the refusal is gone.
        m_server->setAnswer(MlatTestServer::Answer::accept);
        QTRY_VERIFY_WITH_TIMEOUT(status().link.phase == MlatLink::Phase::connected, 60000);
        QCOMPARE(rowLine(), QStringLiteral("MLAT: connected, not yet synchronised"));
    }

    void stopsOnSigtermWithoutBeingKilled()
    {
        configure(false);
        start();
        WAIT_UNTIL(status().link.phase == MlatLink::Phase::connected);
        m_sup->stopAndWait(5s);
        QVERIFY(std::holds_alternative<supervisor_state::Stopped>(status().state));
        QVERIFY(!logText().contains(QStringLiteral("killing it")));
        QVERIFY(logText().contains(QStringLiteral("mlat-client ended by signal %1").arg(SIGTERM)));
    }
};

QTEST_GUILESS_MAIN(TestRealMlatClient)
#include "TestRealMlatClient.moc"
