// What the decoder's standard error says: its lines, each connection's state, a network that takes
// the connection and drops it at once (the decoder only ever reports the connection established, so
// the count of those reports within a minute is all there is to go by), and what is wrong with the
// stick. The transcripts in tests/data carry librtlsdr's and readsb's own wording.
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
const MonitoredConnector otherFeed{"other", "Other", "ingest.Other.example", 30005, false};
const QDateTime start(QDate(2025, 3, 1), QTime(17, 0), Qt::UTC);

QByteArray transcript(const QString& name)
{
    QFile file(QStringLiteral(VIREON_TEST_DATA_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
        qsizetype largestPending = 0;
        for (const qsizetype chunkSize : {input.size(), qsizetype(1), qsizetype(7)})
            QTEST(fed(input, chunkSize, largestPending), "expected");
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
        // The list of failure phrases is the code's own; a line naming no host counts for the only
        // watched connection.
        for (const char* failure :
             {"Connection to feed.vireon.network port 30004 failed (1): 111 (Connection refused)",
              "Socket Error: Connection reset by peer",
              "BeastReduce TCP output: Connection to feed.vireon.network port 30004 timed out.",
              "Name resolution for feed.vireon.network failed: Temporary failure in name resolution"})
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
            {"Device or Resource Busy", SupervisorFailure::deviceBusy},
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
        QTEST(classifier.pendingFailure(), "failure");
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
        const QByteArray lines = transcript(QTest::currentDataTag());
        QVERIFY(!lines.isEmpty());
        LogRingBuffer log(100);
        DecoderOutputClassifier classifier(log);
        classifier.setConnectors({{"vireon", "Vireon", host, 39004, true}, otherFeed});
        classifier.resetHealth();

        for (qsizetype at = 0; at < lines.size(); at += 13)
            classifier.feed(lines.mid(at, 13));

        QCOMPARE(log.lines(), QString::fromUtf8(lines).split(u'\n', Qt::SkipEmptyParts));
        const ConnectorHealth health = classifier.health().value("vireon");
        QCOMPARE(health.kind, kind);
        QVERIFY2(health.reason.endsWith(reasonEnd), qPrintable(health.reason));
        QCOMPARE(classifier.lastConnectorError().value_or(QString()), health.reason);
        QCOMPARE(classifier.health().value("other"), ConnectorHealth::connecting());
        QTEST(classifier.pendingFailure(), "failure");
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
        QTest::addColumn<QString>("file");
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
        QFETCH(QString, file);
        m_classifier->feed(transcript(file));
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

    void theLogKeepsOnlyTheNewestLines()
    {
        LogRingBuffer two(2), none(-2), roomy(3), tenCharacters(100, 10);
        for (const char* line : {"1", "2", "3"}) {
            two.append(line);
            none.append(line);
        }
        roomy.append("only");
        QCOMPARE(two.lines(), (QStringList{"2", "3"}));
        QVERIFY(none.lines().isEmpty());
        QCOMPARE(roomy.lines(), QStringList{"only"});

        // Long lines are held to the character budget however many lines would fit.
        for (const char* line : {"aaaa", "bbbb", "cccc", "dd"})
            tenCharacters.append(line);
        QCOMPARE(tenCharacters.lines(), (QStringList{"bbbb", "cccc", "dd"}));
        tenCharacters.append("a long one, over budget");
        QCOMPARE(tenCharacters.lines(), QStringList{"a long one, over budget"});
        tenCharacters.append("e");
        tenCharacters.append("ffff");
        tenCharacters.append("gggg");
        QCOMPARE(tenCharacters.lines(), (QStringList{"e", "ffff", "gggg"}));
    }
};

QTEST_GUILESS_MAIN(TestDecoderOutputClassifier)
#include "TestDecoderOutputClassifier.moc"
