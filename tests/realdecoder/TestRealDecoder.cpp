// The real decoder in the loop: the readsb that scripts/build-decoder puts beside the application,
// run by the supervisor with the argument list a station really gets. Where no decoder was built the
// suite says so and skips, unless the test command built one (VIREON_REQUIRE_REAL_DECODER), in which
// case a missing decoder fails it.
#include "decoder/ConnectionFlapping.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"
#include "stats/StatsReader.h"
#include "support/IngestListener.h"
#include "support/ManualTimeSource.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::IngestListener;
using vireon::test::ManualTimeSource;

// The real decoder retries a lost connection after about five seconds; these bound a failing wait.
#define WAIT_UNTIL(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, 30000)

namespace {

const QString stationKey = QStringLiteral("0123abcd-0000-4000-8000-000000000001");

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

class TestRealDecoder : public QObject {
    Q_OBJECT

    QString m_decoder;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IngestListener> m_vireon;
    std::unique_ptr<IngestListener> m_other;
    std::unique_ptr<ManualTimeSource> m_clock;
    std::unique_ptr<ReadsbSupervisor> m_sup;
    QList<MonitoredConnector> m_connectors;

    QString jsonDir() const { return m_dir->filePath(QStringLiteral("readsb-json")); }

    // The primary network and one more, on the two listeners (or on `otherHost`).
    QStringList stationArguments(const QString& otherHost = QStringLiteral("127.0.0.1"))
    {
        StationConfig config;
        config.station.lat = 52.520008;
        config.station.lon = 13.404954;
        config.vireon.uuid = stationKey;
        config.localOutputs.beastPort = freePort();
        config.extraConnectors.append(
            StationConfig::ExtraConnector{QStringLiteral("other"), QStringLiteral("Other"), true, otherHost,
                                          m_other->port(), QStringLiteral("beast_out"), std::nullopt});
        const FeederConfig::Ingest ingest{QStringLiteral("127.0.0.1"), m_vireon->port(),
                                          QStringLiteral("beast_reduce_plus_out")};
        m_connectors.clear();
        for (const ReadsbCommand::Connector& c : ReadsbCommand::connectors(config, ingest))
            m_connectors.append(MonitoredConnector{c.id, c.label, c.host, c.port, c.isVireon});
        const auto arguments = ReadsbCommand::arguments(config, ingest, jsonDir());
        return std::get<QStringList>(arguments);
    }

    void startWithoutStick(const QStringList& arguments)
    {
        m_sup->setBinaryLocator(
            [] { return QStringLiteral(VIREON_TESTS_DIR "/realdecoder/readsb-without-stick"); });
        m_sup->start(arguments, m_connectors);
    }

    bool isConnected(const char* id) const { return kind(id) == ConnectorHealth::Kind::connected; }
    bool isRetrying(const char* id) const { return kind(id) == ConnectorHealth::Kind::retrying; }
    ConnectorHealth::Kind kind(const char* id) const { return m_sup->connectorHealth().value(id).kind; }

    qsizetype logged(const QString& text) const
    {
        const QStringList& lines = m_sup->logBuffer().lines();
        return std::count_if(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(text); });
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_decoder = QStringLiteral(VIREON_REAL_READSB);
        if (!QFileInfo(m_decoder).isExecutable()) {
            if (qEnvironmentVariableIsSet("VIREON_REQUIRE_REAL_DECODER"))
                QFAIL(qPrintable(
                    QStringLiteral("the test command built a decoder, but %1 is missing").arg(m_decoder)));
            QSKIP(qPrintable(
                QStringLiteral("no decoder at %1: scripts/build-decoder builds one (the test command "
                               "runs it); without a route to its source the real-decoder suite skips")
                    .arg(m_decoder)));
        }
        qputenv("VIREON_REAL_READSB", m_decoder.toUtf8());
        QFile commit(m_decoder + QStringLiteral(".commit"));
        if (commit.open(QIODevice::ReadOnly))
            qInfo("real decoder: %s, commit %s", qPrintable(m_decoder),
                  commit.readAll().trimmed().constData());
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(jsonDir()));
        m_vireon = std::make_unique<IngestListener>();
        m_other = std::make_unique<IngestListener>();
        QVERIFY(m_vireon->listen());
        QVERIFY(m_other->listen());
        m_clock = std::make_unique<ManualTimeSource>();
        m_sup = std::make_unique<ReadsbSupervisor>(TimeSource::system());
    }

    void cleanup()
    {
        m_sup.reset();
        m_vireon.reset();
        m_other.reset();
    }

    void theStationsArgumentsFeedBothNetworksAndWriteTheJsonFiles()
    {
        startWithoutStick(stationArguments());
        WAIT_UNTIL(m_vireon->connectionCount() > 0 && m_other->connectionCount() > 0);
        WAIT_UNTIL(m_vireon->hasReceivedUuid(stationKey));
        QVERIFY(!m_other->hasReceivedUuid(stationKey));
        WAIT_UNTIL(isConnected("vireon") && isConnected("other"));
        QVERIFY(m_sup->vireonConnectorUp());

        WAIT_UNTIL(QFileInfo::exists(jsonDir() + QStringLiteral("/aircraft.json")) &&
                   QFileInfo::exists(jsonDir() + QStringLiteral("/stats.json")));
        WAIT_UNTIL(StatsReader::readSnapshot(jsonDir()).updatedAt.has_value());
        const StatsReader::Snapshot snapshot = StatsReader::readSnapshot(jsonDir());
        QCOMPARE(snapshot.aircraftCount, 0);
        QVERIFY(qAbs(snapshot.updatedAt->secsTo(QDateTime::currentDateTimeUtc())) <= 10);

        QVERIFY(std::holds_alternative<supervisor_state::Running>(m_sup->state()));
        QCOMPARE(m_sup->decoderVersion(), std::optional<QString>(QStringLiteral("3.14.1642")));
        // readsb 3.14 reads "auto" as 0 dB: it is given its tuner AGC instead.
        QVERIFY(m_sup->currentArguments().join(u' ').contains(QStringLiteral("--gain -10 ")));
        QCOMPARE(logged(QStringLiteral("invoked by: ")), 1);
        QCOMPARE(logged(QStringLiteral(" --gain -10 ")), 1);
        QCOMPARE(logged(QStringLiteral("nrecognized")) + logged(QStringLiteral("Usage")), 0);
    }

    void aClosedListenerMakesItsConnectionRetryUntilItListensAgain()
    {
        startWithoutStick(stationArguments());
        WAIT_UNTIL(isConnected("vireon") && isConnected("other"));

        m_vireon->close();
        WAIT_UNTIL(isRetrying("vireon"));
        QVERIFY(m_sup->lastConnectorError().has_value());
        QVERIFY(m_sup->lastConnectorError()->contains(QString::number(m_vireon->port())));
        QVERIFY(isConnected("other"));

        QVERIFY(m_vireon->reopen());
        WAIT_UNTIL(isConnected("vireon"));
        QVERIFY(!m_sup->lastConnectorError().has_value());
    }

    void aConnectorToAnUnresolvableHostIsRetrying()
    {
        startWithoutStick(stationArguments(QStringLiteral("feed.nowhere.invalid")));
        WAIT_UNTIL(isRetrying("other"));
        WAIT_UNTIL(isConnected("vireon"));
    }

    // readsb reports a reset connection only with its network debugging on; all that shows is the
    // connection established again and again.
    void aNetworkThatResetsEveryConnectionIsRetrying()
    {
        m_sup = std::make_unique<ReadsbSupervisor>(*m_clock);
        m_vireon->setResetOnAccept(true);
        startWithoutStick(stationArguments());
        const ConnectorHealth flapping = ConnectorHealth::retrying(ConnectionFlapping::reason);
        WAIT_UNTIL(m_sup->connectorHealth().value("vireon") == flapping);
        QCOMPARE(m_sup->lastConnectorError(), ConnectionFlapping::reason);
        QVERIFY(isConnected("other"));
        QCOMPARE(logged(QStringLiteral("Connection reset")) + logged(QStringLiteral("disconnected")), 0);
    }

    void withoutAStickTheDecoderFailsForGood()
    {
        m_sup = std::make_unique<ReadsbSupervisor>(*m_clock);
        const QStringList arguments = stationArguments();
        m_sup->setBinaryLocator([this] { return m_decoder; });
        m_sup->start(arguments, m_connectors);
        WAIT_UNTIL(std::holds_alternative<supervisor_state::Failed>(m_sup->state()));
        QCOMPARE(std::get<supervisor_state::Failed>(m_sup->state()).failure, SupervisorFailure::noDevice);
        m_clock->advance(10min);
        QCOMPARE(logged(QStringLiteral("supervisor: launched readsb")), 1);
        QVERIFY(std::holds_alternative<supervisor_state::Failed>(m_sup->state()));
    }

    void theDecoderQuitsOnSigtermWellWithinTheGrace()
    {
        startWithoutStick(stationArguments());
        WAIT_UNTIL(isConnected("vireon"));
        QElapsedTimer quitting;
        quitting.start();
        m_sup->stopAndWait(5s);
        const qint64 elapsed = quitting.elapsed();
        qInfo("real decoder quit %lld ms after SIGTERM", elapsed);
        QVERIFY(std::holds_alternative<supervisor_state::Stopped>(m_sup->state()));
        QCOMPARE(logged(QStringLiteral("killing it")), 0);
        QCOMPARE(logged(QStringLiteral("Caught SIGTERM")), 1);
        QCOMPARE(logged(QStringLiteral("supervisor: readsb exited with status 0")), 1);
    }
};

QTEST_GUILESS_MAIN(TestRealDecoder)
#include "TestRealDecoder.moc"
