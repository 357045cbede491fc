#include "decoder/DecoderOutputClassifier.h"
#include "decoder/LogRingBuffer.h"

#include <QtTest>

using vireon::ConnectorHealth;
using vireon::DecoderOutputClassifier;
using vireon::LogRingBuffer;
using vireon::MonitoredConnector;
using vireon::SupervisorFailure;
using Failure = std::optional<SupervisorFailure>;

namespace {

const MonitoredConnector vireonFeed{"vireon", "Vireon", "feed.vireon.network", 30004, true};
const MonitoredConnector otherFeed{"other", "Other", "ingest.Other.example", 30005, false};

// The lines logged when the input arrives in chunks of the given size; the largest unfinished line
// held in between goes to largestPending.
QStringList fed(const QByteArray& input, qsizetype chunkSize, qsizetype& largestPending)
{
    LogRingBuffer log(1000);
    DecoderOutputClassifier classifier(log);
    for (qsizetype at = 0; at < input.size(); at += chunkSize) {
        classifier.feed(input.mid(at, chunkSize));
        largestPending = std::max(largestPending, classifier.pendingBytes());
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
        QTest::newRow("lines arrive as lines, empty ones dropped")
            << QByteArray("one\n\ntwo\n\n") << QStringList{"one", "two"};
        QTest::newRow("an unterminated tail waits for its newline")
            << QByteArray("done\nhalf a li") << QStringList{"done"};
        QTest::newRow("a carriage return stays part of the line")
            << QByteArray("dos\r\n") << QStringList{"dos\r"};
        QTest::newRow("lines that are not UTF-8 vanish without a trace")
            << QByteArray("ok\n\xff\xfe bad\ncaf\xc3\nnext\n") << QStringList{"ok", "next"};
        QTest::newRow("multi-byte characters survive any split")
            << QByteArray("caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x9b\xa9\n")
            << QStringList{QStringLiteral("café — 🛩")};
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
        qsizetype largestPending = 0;
        for (const qsizetype chunkSize : {input.size(), qsizetype(1), qsizetype(7)})
            QCOMPARE(fed(input, chunkSize, largestPending), expected);
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
        // Lines naming no host count for the only watched connection.
        for (const char* failure :
             {"Connection to feed.vireon.network port 30004 failed (1): 111 (Connection refused)",
              "Socket Error: Connection reset by peer", "Couldn't connect", "could not connect",
              "connect: Network is unreachable",
              "BeastReduce TCP output: Remote server disconnected: feed.vireon.network port 30004 "
              "(fd 9, SendQ 0, RecvQ 0)",
              "BeastReduce TCP output: Connection to feed.vireon.network port 30004 timed out.",
              "Name resolution for feed.vireon.network failed: Temporary failure in name resolution",
              "connect: No route to host", "connect: Network is down", "connect: Host is unreachable"})
            QTest::addRow("a failure is reported: %s", failure) << failure << retrying(failure) << none;
        QTest::newRow("blanks around a failure are trimmed from the reason")
            << "\t\u2003 Connection refused \u00a0" << retrying("Connection refused") << none;
        QTest::newRow("the decoder muting its errors is no news")
            << "Connection to feed.vireon.network port 30004 failed 10 times, "
               "suppressing most error messages until connection succeeds"
            << before << none;
        QTest::newRow("a thread time-out is no connection failure")
            << "threadSignalJoin timed out" << before << none;
        const std::pair<const char*, SupervisorFailure> devicePhrases[] = {
            {"usb_claim_interface error -6", SupervisorFailure::deviceBusy},
            {"rtlsdr: usb_open error -3", SupervisorFailure::deviceBusy},
            {"Device or Resource Busy", SupervisorFailure::deviceBusy},
            {"No supported RTLSDR devices found.", SupervisorFailure::noDevice},
        };
        for (const auto& [line, failure] : devicePhrases)
            QTest::addRow("the stick's trouble is noted: %s", line) << line << before << Failure(failure);
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
        QCOMPARE(classifier.health().value("vireon").kind, health.kind);
        QCOMPARE(classifier.health().value("vireon").reason, health.reason);
        const bool retrying = health.kind == ConnectorHealth::Kind::retrying;
        QCOMPARE(classifier.lastConnectorError(), retrying ? std::optional(health.reason) : std::nullopt);
        QCOMPARE(classifier.pendingFailure(), failure);
        QCOMPARE(classifier.vireonConnectorUp(), health.kind == ConnectorHealth::Kind::connected);
    }

    void attributesLinesToTheConnectionTheyName_data()
    {
        using K = ConnectorHealth::Kind;
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<K>>("kinds"); // vireon, second, local, named
        const auto c = K::connecting;
        QTest::newRow("two connections to one host: the first port")
            << "BeastReduce TCP output: Connection established: 127.0.0.1 port 39004"
            << QList{K::connected, c, c, c};
        QTest::newRow("two connections to one host: the second port")
            << "BeastReduce TCP output: Connection established: 127.0.0.1 port 39006"
            << QList{c, K::connected, c, c};
        QTest::newRow("a host named inside another's line goes by the port")
            << "BeastReduce TCP output: Connection established: localhost (127.0.0.1) port 42009"
            << QList{c, c, K::connected, c};
        QTest::newRow("the decoder's time-out wording, by port")
            << "BeastReduce TCP output: Connection to 127.0.0.1 port 39006 timed out."
            << QList{c, K::retrying, c, c};
        QTest::newRow("a port nobody watches falls back to the first host named")
            << "Connection to 127.0.0.1 port 1234 failed (1): 111 (Connection refused)"
            << QList{K::retrying, c, c, c};
        QTest::newRow("a port number is whole: 390060 is not 39006")
            << "Connection to 127.0.0.1 port 390060 failed (1): 111 (Connection refused)"
            << QList{K::retrying, c, c, c};
        QTest::newRow("a line without a port goes to the host it names, case aside")
            << "Name resolution for FEED.example.NET failed: Name or service not known"
            << QList{c, c, c, K::retrying};
        QTest::newRow("a host nobody watches changes nothing")
            << "Connection to 10.0.0.1 port 30004 failed: Connection refused" << QList{c, c, c, c};
    }
    void attributesLinesToTheConnectionTheyName()
    {
        QFETCH(QString, line);
        QFETCH(QList<ConnectorHealth::Kind>, kinds);
        LogRingBuffer log(10);
        DecoderOutputClassifier classifier(log);
        classifier.setConnectors({{"vireon", "Vireon", "127.0.0.1", 39004, true},
                                  {"second", "Second", "127.0.0.1", 39006, false},
                                  {"local", "Local", "localhost", 42009, false},
                                  {"named", "Named", "feed.example.net", 30004, false}});
        classifier.resetHealth();
        classifier.feed(line.toUtf8() + '\n');
        const auto& health = classifier.health();
        QCOMPARE((QList{health.value("vireon").kind, health.value("second").kind, health.value("local").kind,
                        health.value("named").kind}),
                 kinds);
        QCOMPARE(classifier.lastConnectorError().has_value(),
                 kinds.first() == ConnectorHealth::Kind::retrying);
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
        const auto row = [](const char* file, K kind, const char* reasonEnd = nullptr, Failure failure = {},
                            const char* host = "127.0.0.1") {
            QTest::newRow(file) << QString(host) << kind << QString(reasonEnd) << failure;
        };
        row("stderr-main.txt", K::connected);
        row("stderr-killproc.txt", K::retrying, "(4): 111 (Connection refused)");
        row("stderr-localhost.txt", K::retrying,
            "Remote server disconnected: localhost port 39004 (fd 9, SendQ 0, RecvQ 0)", {}, "localhost");
        row("stderr-refused_default.txt", K::retrying, "(7): 111 (Connection refused)");
        row("stderr-refused_only.txt", K::retrying, "(8): 111 (Connection refused)");
        row("stderr-rst-debugn.txt", K::retrying, "(6): 111 (Connection refused)");
        row("stderr-rst.txt", K::retrying, "(6): 111 (Connection refused)");
        row("stderr-rtlsdr.txt", K::connecting, nullptr, SupervisorFailure::noDevice);
        row("stderr-timeout.txt", K::retrying, "port 39004 timed out.");
    }
    void classifiesEveryRealTranscriptAsItsNameSays()
    {
        QFETCH(QString, host);
        QFETCH(ConnectorHealth::Kind, kind);
        QFETCH(QString, reasonEnd);
        QFETCH(Failure, failure);
        QFile file(QStringLiteral(VIREON_TEST_DATA_DIR "/") + QTest::currentDataTag());
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
};

QTEST_GUILESS_MAIN(TestDecoderOutputClassifier)
#include "TestDecoderOutputClassifier.moc"
