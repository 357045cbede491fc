#include "decoder/DecoderOutputClassifier.h"
#include "decoder/LogRingBuffer.h"

#include <QtTest>

using vireon::ConnectorHealth;
using vireon::DecoderOutputClassifier;
using vireon::LogRingBuffer;
using vireon::MonitoredConnector;
using vireon::SupervisorFailure;
using Failure = std::optional<SupervisorFailure>;

namespace vireon {
char* toString(const ConnectorHealth& health)
{
    static const char* const kinds[] = {"retrying", "connecting", "connected"};
    return QTest::toString(QStringLiteral("%1(%2)").arg(kinds[int(health.kind)], health.reason));
}
} // namespace vireon

namespace {

const MonitoredConnector vireonFeed{"vireon", "Vireon", "feed.vireon.network", 30004, true};
const MonitoredConnector otherFeed{"other", "Other", "ingest.Other.example", 30005, false};

QStringList fed(const QByteArray& input, qsizetype chunkSize, qsizetype* largestPending = nullptr)
{
    LogRingBuffer log(1000);
    DecoderOutputClassifier classifier(log);
    for (qsizetype at = 0; at < input.size(); at += chunkSize) {
        classifier.feed(input.mid(at, chunkSize));
        if (largestPending)
            *largestPending = std::max(*largestPending, classifier.pendingBytes());
    }
    return log.lines();
}

} // namespace

class TestDecoderOutputClassifier : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitsLinesTheSameWhateverTheChunks_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("expected");
        const QString a64k(64 * 1024, u'a');
        QTest::newRow("several lines arrive as several lines")
            << QByteArray("one\ntwo\nthree\n") << QStringList{"one", "two", "three"};
        QTest::newRow("an unterminated tail waits for its newline")
            << QByteArray("done\nhalf a li") << QStringList{"done"};
        QTest::newRow("empty lines are dropped") << QByteArray("\n\nx\n\n") << QStringList{"x"};
        QTest::newRow("a carriage return stays part of the line")
            << QByteArray("dos\r\n") << QStringList{"dos\r"};
        QTest::newRow("lines that are not UTF-8 vanish without a trace")
            << QByteArray("ok\n\xff\xfe bad\ncaf\xc3\nnext\n") << QStringList{"ok", "next"};
        QTest::newRow("multi-byte characters survive any split")
            << QByteArray("caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x9b\xa9\n")
            << QStringList{QStringLiteral("café — 🛩")};
        QTest::newRow("a byte-order mark is kept")
            << QByteArray("\xef\xbb\xbfx\n") << QStringList{QChar(0xfeff) + QStringLiteral("x")};
        QTest::newRow("64 KiB without a newline is cut into a line without waiting")
            << a64k.toLatin1() << QStringList{a64k};
        QTest::newRow("a longer line is cut at 64 KiB and the rest follows")
            << QByteArray(100 * 1024, 'x') + '\n'
            << QStringList{QString(64 * 1024, u'x'), QString(36 * 1024, u'x')};
        QTest::newRow("a cut never splits a character")
            << QByteArray(64 * 1024 - 1, 'a') + "\xc3\xa9\n"
            << QStringList{QString(64 * 1024 - 1, u'a'), QStringLiteral("é")};
    }
    void splitsLinesTheSameWhateverTheChunks()
    {
        QFETCH(QByteArray, input);
        QFETCH(QStringList, expected);
        QCOMPARE(fed(input, input.size()), expected);
        QCOMPARE(fed(input, 4096), expected);
        qsizetype largestPending = 0;
        QCOMPARE(fed(input, 1), expected);
        QCOMPARE(fed(input, 7, &largestPending), expected);
        QVERIFY(largestPending < DecoderOutputClassifier::maxLineBytes);
    }

    void judgesOneLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<ConnectorHealth>("health");
        QTest::addColumn<Failure>("failure");
        const auto retrying = [](const char* reason) {
            return ConnectorHealth::retrying(QString::fromUtf8(reason));
        };
        const ConnectorHealth before = retrying("earlier: Connection refused");
        const Failure none;

        QTest::newRow("an established line marks the connection connected")
            << "BeastReduce TCP output: Connection established: feed.vireon.network port 30004"
            << ConnectorHealth::connected() << none;
        QTest::newRow("phrases match whatever their letter case")
            << "CONNECTION ESTABLISHED to feed" << ConnectorHealth::connected() << none;
        // Lines naming no host count for the only watched connection.
        const char* failures[] = {
            "Connection to feed.vireon.network port 30004 failed (1): 111 (Connection refused)",
            "Socket Error: Connection reset by peer: feed.vireon.network port 30004",
            "Couldn't connect to feed.vireon.network",
            "could not connect to feed.vireon.network",
            "connect: Connection timed out",
            "connect: Network is unreachable",
            "BeastReduce TCP output: Remote server disconnected: feed.vireon.network port 30004 "
            "(fd 9, SendQ 0, RecvQ 0)",
            "BeastReduce TCP output: Connection to feed.vireon.network port 30004 timed out.",
            "Name resolution for feed.vireon.network failed: Temporary failure in name resolution",
            "connect: No route to host",
            "connect: Network is down",
            "connect: Host is unreachable",
        };
        for (const char* failure : failures)
            QTest::addRow("a failure is reported: %s", failure) << failure << retrying(failure) << none;
        QTest::newRow("blanks around a failure are trimmed from the reason")
            << "\t\u2003 Connection refused \u00a0" << retrying("Connection refused") << none;
        QTest::newRow("a carriage return is no blank and stays in the reason")
            << " Connection refused\r" << retrying("Connection refused\r") << none;
        QTest::newRow("an attempt is no news")
            << "Attempting connection to feed.vireon.network port 30004 ..." << before << none;
        QTest::newRow("the decoder muting its errors is no news")
            << "Connection to feed.vireon.network port 30004 failed 10 times, "
               "suppressing most error messages until connection succeeds"
            << before << none;
        QTest::newRow("a claimed interface means the stick is busy")
            << "usb_claim_interface error -6" << before << Failure(SupervisorFailure::deviceBusy);
        QTest::newRow("a failed open means the stick is busy")
            << "rtlsdr: usb_open error -3" << before << Failure(SupervisorFailure::deviceBusy);
        QTest::newRow("a busy resource means the stick is busy")
            << "Device or Resource Busy" << before << Failure(SupervisorFailure::deviceBusy);
        QTest::newRow("no rtlsdr devices means no stick")
            << "No supported RTLSDR devices found." << before << Failure(SupervisorFailure::noDevice);
        QTest::newRow("a line can fail a connection and report no stick")
            << "Connection refused; FATAL: rtlsdr: no supported devices found."
            << retrying("Connection refused; FATAL: rtlsdr: no supported devices found.")
            << Failure(SupervisorFailure::noDevice);
    }
    void judgesOneLine()
    {
        QFETCH(QString, line);
        QFETCH(ConnectorHealth, health);
        QFETCH(Failure, failure);
        LogRingBuffer log(10);
        DecoderOutputClassifier classifier(log);
        classifier.setConnectors({vireonFeed});
        classifier.resetHealth();
        classifier.feed("earlier: Connection refused\n");

        classifier.feed(line.toUtf8() + '\n');

        QCOMPARE(log.lines().last(), line);
        QCOMPARE(classifier.health().value("vireon"), health);
        const std::optional<QString> lastError =
            health.kind == ConnectorHealth::Kind::retrying ? std::optional(health.reason) : std::nullopt;
        QCOMPARE(classifier.lastConnectorError(), lastError);
        QCOMPARE(classifier.pendingFailure(), failure);
        QCOMPARE(classifier.vireonConnectorUp(), health.kind == ConnectorHealth::Kind::connected);
    }

    void attributesLinesToTheConnectionTheyName()
    {
        LogRingBuffer log(10);
        DecoderOutputClassifier classifier(log);
        const MonitoredConnector sameHost{"mirror", "Mirror", "FEED.vireon.network", 30006, false};
        classifier.setConnectors({otherFeed, vireonFeed, sameHost});
        classifier.resetHealth();
        const auto health = [&] {
            return QList{classifier.health().value("other").kind, classifier.health().value("vireon").kind,
                         classifier.health().value("mirror").kind};
        };
        using K = ConnectorHealth::Kind;

        QVERIFY(!classifier.feed("Connection to 10.0.0.1 port 30004 failed: Connection refused\n"));
        QCOMPARE(health(), QList({K::connecting, K::connecting, K::connecting}));

        classifier.feed("Connection to INGEST.other.EXAMPLE failed: Connection refused\n");
        QCOMPARE(health(), QList({K::retrying, K::connecting, K::connecting}));
        QCOMPARE(classifier.lastConnectorError(), std::nullopt);

        classifier.feed("Connection to feed.vireon.network port 30006 failed: Connection refused\n");
        QCOMPARE(health(), QList({K::retrying, K::retrying, K::connecting}));
        QVERIFY(classifier.lastConnectorError().has_value());

        classifier.feed("Connection established: ingest.other.example\n");
        QCOMPARE(health(), QList({K::connected, K::retrying, K::connecting}));
        QVERIFY(classifier.lastConnectorError().has_value());
        QVERIFY(!classifier.vireonConnectorUp());

        classifier.feed("Connection established: feed.vireon.network port 30006\n");
        QCOMPARE(health(), QList({K::connected, K::connected, K::connecting}));
        QCOMPARE(classifier.lastConnectorError(), std::nullopt);
        QVERIFY(classifier.vireonConnectorUp());
    }

    void resetKeepsOnlyWatchedConnectionsAndTheLastError()
    {
        LogRingBuffer log(10);
        DecoderOutputClassifier classifier(log);
        const MonitoredConnector duplicate{"vireon", "Copy", "ingest.other.example", 1, false};
        classifier.setConnectors({vireonFeed, otherFeed});
        classifier.feed("feed.vireon.network: Connection refused\n");
        classifier.setConnectors({vireonFeed, duplicate});
        QCOMPARE(classifier.connectors(), QList{vireonFeed});

        classifier.resetHealth();

        QCOMPARE(classifier.health(),
                 (QHash<QString, ConnectorHealth>{{"vireon", ConnectorHealth::connecting()}}));
        QCOMPARE(classifier.lastConnectorError(), QStringLiteral("feed.vireon.network: Connection refused"));
    }

    void classifiesEveryRealTranscriptAsItsNameSays_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<ConnectorHealth::Kind>("kind");
        QTest::addColumn<QString>("reasonEnd");
        QTest::addColumn<Failure>("failure");
        using K = ConnectorHealth::Kind;
        const Failure none;
        QTest::newRow("stderr-main.txt") << "127.0.0.1" << K::connected << QString() << none;
        QTest::newRow("stderr-killproc.txt")
            << "127.0.0.1" << K::retrying << "(4): 111 (Connection refused)" << none;
        QTest::newRow("stderr-localhost.txt")
            << "localhost" << K::retrying
            << "Remote server disconnected: localhost port 39004 (fd 9, SendQ 0, RecvQ 0)" << none;
        QTest::newRow("stderr-refused_default.txt")
            << "127.0.0.1" << K::retrying << "(7): 111 (Connection refused)" << none;
        QTest::newRow("stderr-refused_only.txt")
            << "127.0.0.1" << K::retrying << "(8): 111 (Connection refused)" << none;
        QTest::newRow("stderr-rst-debugn.txt")
            << "127.0.0.1" << K::retrying << "(6): 111 (Connection refused)" << none;
        QTest::newRow("stderr-rst.txt")
            << "127.0.0.1" << K::retrying << "(6): 111 (Connection refused)" << none;
        QTest::newRow("stderr-rtlsdr.txt")
            << "127.0.0.1" << K::connecting << QString() << Failure(SupervisorFailure::noDevice);
        QTest::newRow("stderr-timeout.txt") << "127.0.0.1" << K::retrying << "port 39004 timed out." << none;
    }
    void classifiesEveryRealTranscriptAsItsNameSays()
    {
        QFETCH(QString, host);
        QFETCH(ConnectorHealth::Kind, kind);
        QFETCH(QString, reasonEnd);
        QFETCH(Failure, failure);
        QFile file(QStringLiteral(VIREON_SAMPLES_DIR "/") + QTest::currentDataTag());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray transcript = file.readAll();
        LogRingBuffer log(100);
        DecoderOutputClassifier classifier(log);
        classifier.setConnectors({{"vireon", "Vireon", host, 39004, true}, otherFeed});
        classifier.resetHealth();

        for (qsizetype at = 0; at < transcript.size(); at += 13)
            classifier.feed(transcript.mid(at, 13));

        QCOMPARE(log.lines(), QString::fromUtf8(transcript).split(u'\n', Qt::SkipEmptyParts));
        const ConnectorHealth health = classifier.health().value("vireon");
        QCOMPARE(health.kind, kind);
        QVERIFY2(health.reason.endsWith(reasonEnd), qPrintable(health.reason));
        QCOMPARE(classifier.lastConnectorError().value_or(QString()), health.reason);
        QCOMPARE(classifier.health().value("other"), ConnectorHealth::connecting());
        QCOMPARE(classifier.pendingFailure(), failure);
    }

    void everyTranscriptHasAnExpectation()
    {
        const QStringList transcripts = QDir(VIREON_SAMPLES_DIR).entryList({"stderr-*.txt"}, QDir::Files);
        QCOMPARE(transcripts.size(), 9);
    }
};

QTEST_GUILESS_MAIN(TestDecoderOutputClassifier)
#include "TestDecoderOutputClassifier.moc"
