// What the supervisor learns about and tells the decoder beyond starting it: the gain as that decoder
// reads it, keys that will not arrive as typed, the decoder's version, and networks that keep
// closing the connection.
#include "decoder/ConnectionFlapping.h"
#include "decoder/ReadsbSupervisor.h"
#include "support/IngestListener.h"
#include "support/ManualTimeSource.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::IngestListener;
using vireon::test::ManualTimeSource;

#define WAIT_UNTIL(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, 30000)

class TestSupervisorDecoderFacts : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ManualTimeSource> m_clock;
    std::unique_ptr<ReadsbSupervisor> m_sup;

    bool isRunning() const { return std::holds_alternative<supervisor_state::Running>(m_sup->state()); }
    QStringList recordedArguments() const
    {
        QFile file(m_dir->filePath("args"));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_unique<ManualTimeSource>();
        m_sup = std::make_unique<ReadsbSupervisor>(*m_clock);
        m_sup->setBinaryLocator([] { return QStringLiteral(VIREON_FAKE_READSB); });
        qputenv("FAKE_READSB_ARGS_FILE", m_dir->filePath("args").toUtf8());
        qputenv("FAKE_READSB_SCENARIO", QByteArray());
        qunsetenv("FAKE_READSB_HELP");
        qunsetenv("FAKE_READSB_CLOSE_IS_RESET");
    }
    void cleanup() { m_sup.reset(); }

    void theGainIsPassedAsTheDecoderReadsIt_data()
    {
        QTest::addColumn<QString>("help");
        QTest::addColumn<QString>("gain");
        QTest::addColumn<QString>("passed");
        const QString readsb314 = QStringLiteral(VIREON_TEST_DATA_DIR "/readsb-3.14-help.txt");
        QTest::newRow("readsb 3.14 gets its tuner AGC for auto") << readsb314 << "auto"
                                                                 << "-10";
        QTest::newRow("a decoder whose help offers auto gets auto") << QString() << "auto"
                                                                    << "auto";
    }
    void theGainIsPassedAsTheDecoderReadsIt()
    {
        QFETCH(QString, help);
        QFETCH(QString, gain);
        QFETCH(QString, passed);
        if (!help.isEmpty())
            qputenv("FAKE_READSB_HELP", help.toUtf8());
        QCOMPARE(m_sup->decoderPath(), std::nullopt);
        m_sup->start({"--device-type", "rtlsdr", "--gain", gain, "--net"}, {});
        QVERIFY(std::holds_alternative<supervisor_state::Launching>(m_sup->state()));
        WAIT_UNTIL(isRunning() && recordedArguments().size() == 5);
        const QStringList expected{"--device-type", "rtlsdr", "--gain", passed, "--net"};
        QCOMPARE(recordedArguments(), expected);
        QCOMPARE(m_sup->currentArguments(), expected);
        WAIT_UNTIL(m_sup->logBuffer().lines().contains("invoked by: " + QStringLiteral(VIREON_FAKE_READSB) +
                                                       ' ' + expected.join(u' ')));
        // The decoder and its version are known once it speaks.
        WAIT_UNTIL(m_sup->decoderVersion() == std::optional<QString>("3.14.1642"));
        QCOMPARE(m_sup->decoderPath(), std::optional<QString>(VIREON_FAKE_READSB));
    }

    void aKeyThatIsNotSentIsLoggedAtLaunch()
    {
        m_sup->start({"--net", "--net-connector", "127.0.0.1,9,beast_reduce_plus_out,uuid=short"},
                     {{"vireon", "Vireon", "127.0.0.1", 9, true}});
        WAIT_UNTIL(isRunning());
        const QStringList& lines = m_sup->logBuffer().lines();
        const qsizetype launched = lines.indexOf(QRegularExpression("supervisor: launched readsb .*"));
        QVERIFY(launched >= 0 && launched + 1 < lines.size());
        QVERIFY(
            lines.at(launched + 1).startsWith("supervisor: Vireon (127.0.0.1:9): This key is not sent: "));
    }

    // The network takes each connection and resets it at once; the stand-in, like readsb, only ever
    // reports the connection established.
    void aNetworkThatKeepsClosingTheConnectionIsRetryingUntilAQuietMinute()
    {
        IngestListener network;
        QVERIFY(network.listen());
        network.setResetOnAccept(true);
        qputenv("FAKE_READSB_CLOSE_IS_RESET", "1");
        qputenv("FAKE_READSB_RETRY_MS", "50");
        const QString key = QStringLiteral("0123abcd-0000-4000-8000-000000000001");
        m_sup->start(
            {"--net", "--net-connector",
             QStringLiteral("127.0.0.1,%1,beast_reduce_plus_out,uuid=%2").arg(network.port()).arg(key)},
            {{"vireon", "Vireon", "127.0.0.1", network.port(), true}});
        const ConnectorHealth flapping = ConnectorHealth::retrying(ConnectionFlapping::reason);
        WAIT_UNTIL(m_sup->connectorHealth().value("vireon") == flapping);
        QCOMPARE(m_sup->lastConnectorError(), ConnectionFlapping::reason);

        // The network settles; the connection stays, but only a quiet minute clears the verdict.
        network.setResetOnAccept(false);
        WAIT_UNTIL(network.openConnectionCount() == 1);
        const auto reportedConnections = [this] {
            const QStringList& lines = m_sup->logBuffer().lines();
            return std::count_if(lines.begin(), lines.end(),
                                 [](const QString& l) { return l.contains("Connection established"); });
        };
        // A connection taken just before the network settled can be reported a moment later, and the
        // listener may count one the stand-in saw reset first: wait until the reports stop coming.
        qsizetype lastCount = -1;
        const auto settled = [&] {
            QTest::qWait(300);
            const qsizetype count = reportedConnections();
            return std::exchange(lastCount, count) == count;
        };
        WAIT_UNTIL(settled());
        m_clock->advance(59s);
        QCOMPARE(m_sup->connectorHealth().value("vireon"), flapping);
        m_clock->advance(1s);
        QCOMPARE(m_sup->connectorHealth().value("vireon"), ConnectorHealth::connected());
        QCOMPARE(m_sup->lastConnectorError(), std::nullopt);
        qunsetenv("FAKE_READSB_RETRY_MS");
    }
};

QTEST_GUILESS_MAIN(TestSupervisorDecoderFacts)
#include "TestSupervisorDecoderFacts.moc"
