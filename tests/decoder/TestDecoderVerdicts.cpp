#include "decoder/ConnectionFlapping.h"
#include "decoder/DecoderOutputClassifier.h"
#include "decoder/LogRingBuffer.h"
#include "decoder/StickProblem.h"

#include <QtTest>

using namespace vireon;
using Failure = std::optional<SupervisorFailure>;
using Problem = std::optional<StickProblem>;

namespace {

const MonitoredConnector vireonFeed{"vireon", "Vireon", "feed.vireon.network", 30004, true};
const MonitoredConnector otherFeed{"other", "Other", "other.example", 30005, false};
const QDateTime start(QDate(2025, 3, 1), QTime(17, 0), Qt::UTC);

} // namespace

// What the decoder's lines say beyond one connector's state. A network that takes the connection and
// drops it at once: the decoder only ever reports the connection established, so the count of those
// reports within a minute is all there is to go by. A stick problem: the transcripts in tests/data
// carry librtlsdr's and readsb's own wording.
class TestDecoderVerdicts : public QObject {
    Q_OBJECT

    LogRingBuffer m_log{500};
    std::unique_ptr<DecoderOutputClassifier> m_classifier;
    QDateTime m_now;

    void establishedAt(qint64 second, const MonitoredConnector& connector = vireonFeed)
    {
        m_now = start.addSecs(second);
        m_classifier->feed(QStringLiteral("BeastReduce TCP output: Connection established: %1 port %2\n")
                               .arg(connector.host)
                               .arg(connector.port)
                               .toUtf8());
    }
    ConnectorHealth health(const QString& id = QStringLiteral("vireon")) const
    {
        return m_classifier->health().value(id);
    }

private Q_SLOTS:
    void init()
    {
        m_classifier = std::make_unique<DecoderOutputClassifier>(m_log);
        m_classifier->setClock([this] { return m_now; });
        m_classifier->setConnectors({vireonFeed, otherFeed});
        m_classifier->resetHealth();
    }

    void establishedReportsWithinAMinute_data()
    {
        QTest::addColumn<QList<qint64>>("seconds");
        QTest::addColumn<bool>("flapping");
        QTest::newRow("once") << QList<qint64>{0} << false;
        QTest::newRow("twice within a minute") << QList<qint64>{0, 5} << false;
        QTest::newRow("three times within a minute") << QList<qint64>{0, 5, 59} << true;
        QTest::newRow("three times, the first a full minute before the last")
            << QList<qint64>{0, 30, 60} << false;
        QTest::newRow("five times in eight seconds, as measured") << QList<qint64>{0, 2, 4, 6, 8} << true;
    }
    void establishedReportsWithinAMinute()
    {
        QFETCH(QList<qint64>, seconds);
        QFETCH(bool, flapping);
        for (qint64 second : seconds)
            establishedAt(second);
        const ConnectorHealth expected =
            flapping ? ConnectorHealth::retrying(ConnectionFlapping::reason) : ConnectorHealth::connected();
        QCOMPARE(health(), expected);
        QCOMPARE(m_classifier->lastConnectorError(),
                 flapping ? std::optional<QString>(ConnectionFlapping::reason) : std::nullopt);
        QCOMPARE(health(QStringLiteral("other")), ConnectorHealth::connecting());
    }

    void aMinuteWithoutANewReportEndsTheFlapping()
    {
        establishedAt(0);
        establishedAt(1);
        establishedAt(2, otherFeed);
        establishedAt(10);
        QCOMPARE(m_classifier->nextCalm(), start.addSecs(70));

        m_now = start.addSecs(69);
        QVERIFY(!m_classifier->calm());
        QCOMPARE(health().kind, ConnectorHealth::Kind::retrying);
        m_now = start.addSecs(70);
        QVERIFY(m_classifier->calm());
        QCOMPARE(health(), ConnectorHealth::connected());
        QCOMPARE(m_classifier->lastConnectorError(), std::nullopt);
        QCOMPARE(m_classifier->nextCalm(), std::nullopt);
    }

    void aRealErrorWhileFlappingIsNotUndoneByTheCalm()
    {
        establishedAt(0);
        establishedAt(1);
        establishedAt(2);
        m_classifier->feed(
            "BeastReduce TCP output: Connection to feed.vireon.network port 30004 failed (1): 111 "
            "(Connection refused)\n");
        m_now = start.addSecs(62);
        m_classifier->calm();
        QCOMPARE(health().kind, ConnectorHealth::Kind::retrying);
        QVERIFY(m_classifier->lastConnectorError()->contains(u"Connection refused"));
    }

    void stickProblemNamedFromTheDecodersLines_data()
    {
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<Failure>("failure");

        QTest::newRow("refused by the device permissions: busy, with its cause")
            << "stderr-stick-permission.txt" << Problem(StickProblem::permissionDenied)
            << Failure(SupervisorFailure::deviceBusy);
        QTest::newRow("held by the kernel driver, the message run into the next one")
            << "stderr-stick-kernel-driver.txt" << Problem(StickProblem::kernelDriverHolds)
            << Failure(SupervisorFailure::deviceBusy);
        QTest::newRow("lost while running: a restart finds out what is left")
            << "stderr-stick-lost.txt" << Problem(StickProblem::lostWhileRunning) << Failure();
        QTest::newRow("no stick at all has no cause to add")
            << "stderr-no-stick.txt" << Problem() << Failure(SupervisorFailure::noDevice);
    }
    void stickProblemNamedFromTheDecodersLines()
    {
        QFETCH(QString, transcript);
        QFile file(QStringLiteral(VIREON_TEST_DATA_DIR "/") + transcript);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_classifier->feed(file.readAll());
        QTEST(m_classifier->stickProblem(), "problem");
        QTEST(m_classifier->pendingFailure(), "failure");
        QCOMPARE(m_classifier->decoderVersion(), std::optional<QString>(QStringLiteral("3.14.1642")));

        // A new run starts without the old cause.
        m_classifier->clearPendingFailure();
        QCOMPARE(m_classifier->stickProblem(), Problem());
    }

    void theHintGivesTheCauseThenTheRemedy()
    {
        for (StickProblem problem : {StickProblem::permissionDenied, StickProblem::kernelDriverHolds,
                                     StickProblem::lostWhileRunning}) {
            const QString hint = StickProblems::hint(problem);
            QVERIFY(hint.startsWith(StickProblems::cause(problem) + u' '));
            QVERIFY(hint.endsWith(StickProblems::remedy(problem)));
        }
    }
};

QTEST_GUILESS_MAIN(TestDecoderVerdicts)
#include "TestDecoderVerdicts.moc"
