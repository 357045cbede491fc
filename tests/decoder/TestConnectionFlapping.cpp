#include "decoder/ConnectionFlapping.h"
#include "decoder/DecoderOutputClassifier.h"
#include "decoder/LogRingBuffer.h"

#include <QtTest>

using namespace vireon;

namespace {

const MonitoredConnector vireonFeed{"vireon", "Vireon", "feed.vireon.network", 30004, true};
const MonitoredConnector otherFeed{"other", "Other", "other.example", 30005, false};
const QDateTime start(QDate(2025, 3, 1), QTime(17, 0), Qt::UTC);

} // namespace

// A network that takes the connection and drops it at once: the decoder only ever reports the
// connection established, so the count of those reports within a minute is all there is to go by.
class TestConnectionFlapping : public QObject {
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
};

QTEST_GUILESS_MAIN(TestConnectionFlapping)
#include "TestConnectionFlapping.moc"
