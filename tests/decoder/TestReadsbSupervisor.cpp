#include "decoder/ConnectionFlapping.h"
#include "decoder/ReadsbSupervisor.h"
#include "support/ManualTimeSource.h"

#include <QProcess>
#include <QtTest>
#include <csignal>

using namespace std::chrono_literals;
using namespace vireon;
using namespace vireon::supervisor_state;
using vireon::test::ManualTimeSource;

// Real decoder processes under the sanitizers can be slow to start; generous, never a measurement.
// A failing wait runs three times its bound before Qt reports it; 30 s keeps that inside CTest's limit.
#define WAIT_UNTIL(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, 30000)

namespace {

template <typename S>
bool is(const SupervisorState& state)
{
    return std::holds_alternative<S>(state);
}

} // namespace

class TestReadsbSupervisor : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ManualTimeSource> m_clock;
    std::unique_ptr<ReadsbSupervisor> m_sup;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    const QStringList& lines() const { return m_sup->logBuffer().lines(); }
    qsizetype logged(const QString& prefix) const
    {
        return std::count_if(lines().begin(), lines().end(),
                             [&](const QString& l) { return l.startsWith(prefix); });
    }
    void useScenario(const QStringList& steps)
    {
        // Read once at the decoder's start, so a running decoder keeps its own.
        QFile out(path("scenario"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(steps.join(u'\n').toUtf8());
        qputenv("FAKE_READSB_SCENARIO", out.fileName().toUtf8());
    }
    QStringList recordedArguments() const
    {
        QFile file(path("args"));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }
    void touch(const QString& name) { QVERIFY(QFile(path(name)).open(QIODevice::WriteOnly)); }
    int liveDecoders() const
    {
        const auto processes = m_sup->findChildren<QProcess*>();
        return int(std::count_if(processes.begin(), processes.end(),
                                 [](QProcess* p) { return p->state() != QProcess::NotRunning; }));
    }
    void start(const QStringList& extra = {},
               const QList<MonitoredConnector>& connectors = {{"vireon", "Vireon", "127.0.0.1", 30004, true}})
    {
        m_sup->start(QStringList{"--device-type", "rtlsdr", "--net"} + extra, connectors);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_unique<ManualTimeSource>();
        m_sup = std::make_unique<ReadsbSupervisor>(*m_clock);
        m_sup->setBinaryLocator([] { return QStringLiteral(VIREON_FAKE_READSB); });
        qputenv("FAKE_READSB_ARGS_FILE", path("args").toUtf8());
        qunsetenv("FAKE_READSB_SCENARIO");
        qunsetenv("FAKE_READSB_STICK");
        qunsetenv("FAKE_READSB_HELP");
    }
    void cleanup() { m_sup.reset(); }

    // Runs of 100 s keep exits too far apart for a crash loop; only a run of 300 s starts afresh.
    void restartDelaysGrowToSixtySecondsUntilALongRun()
    {
        useScenario({"wait-for-file " + path("go"), "exit 3"});
        start();
        WAIT_UNTIL(is<Running>(m_sup->state()));
        const int exits[][3] = {{100, 2, 1},  {100, 4, 2},  {100, 8, 3}, {100, 16, 4},
                                {100, 32, 5}, {299, 60, 6}, {300, 2, 1}};
        for (const auto& [runFor, delay, attempt] : exits) {
            m_clock->advance(std::chrono::seconds(runFor));
            touch("go");
            WAIT_UNTIL(is<Backoff>(m_sup->state()));
            QCOMPARE(m_sup->state(), SupervisorState(Backoff{m_clock->now().addSecs(delay), attempt}));
            QCOMPARE(lines().at(lines().size() - 2),
                     QString("supervisor: readsb exited with status 3 after %1s").arg(runFor));
            QCOMPARE(lines().last(),
                     QString("supervisor: restarting in %1s (attempt %2)").arg(delay).arg(attempt));
            QFile::remove(path("go"));
            m_clock->advance(std::chrono::seconds(delay));
            WAIT_UNTIL(is<Running>(m_sup->state()));
        }
    }

    // Runs of 100 s, the wall clock set while the second runs: exits are never six within five
    // minutes, and each run is as long as it was.
    void settingTheClockLeavesRestartsAndTheCrashLoopWindowAlone_data()
    {
        QTest::addColumn<int>("wallClockSetBy");
        QTest::newRow("set back an hour") << -3600;
        QTest::newRow("set forward a day") << 86400;
    }
    void settingTheClockLeavesRestartsAndTheCrashLoopWindowAlone()
    {
        QFETCH(int, wallClockSetBy);
        useScenario({"wait-for-file " + path("go"), "exit 3"});
        start();
        WAIT_UNTIL(is<Running>(m_sup->state()));
        const int delays[] = {2, 4, 8, 16, 32, 60, 60, 60};
        for (int run = 1; run <= 8; ++run) {
            m_clock->advance(50s);
            if (run == 2)
                m_clock->setWallClock(std::chrono::seconds(wallClockSetBy));
            m_clock->advance(50s);
            touch("go");
            WAIT_UNTIL(is<Backoff>(m_sup->state()));
            const int delay = delays[run - 1];
            QCOMPARE(m_sup->state(), SupervisorState(Backoff{m_clock->now().addSecs(delay), run}));
            QCOMPARE(lines().at(lines().size() - 2),
                     QString("supervisor: readsb exited with status 3 after 100s"));
            QFile::remove(path("go"));
            m_clock->advance(std::chrono::seconds(delay) - 1ms);
            QVERIFY(is<Backoff>(m_sup->state()));
            m_clock->advance(1ms);
            WAIT_UNTIL(is<Running>(m_sup->state()));
        }
    }

    // Each run also leaves an unfinished line behind, which the next run's first line completes.
    void theSixthQuickExitIsACrashLoop()
    {
        useScenario({"stderr-raw partial-", "exit 1"});
        start();
        for (int restart = 1; restart <= 5; ++restart) {
            WAIT_UNTIL(is<Backoff>(m_sup->state()));
            m_clock->advance(std::chrono::milliseconds(
                m_clock->now().msecsTo(std::get<Backoff>(m_sup->state()).nextAttempt)));
        }
        WAIT_UNTIL(is<Failed>(m_sup->state()));
        QCOMPARE(std::get<Failed>(m_sup->state()).failure, SupervisorFailure::crashLoop);
        QCOMPARE(logged("supervisor: readsb exited with status 1 after 0s"), 6);
        QCOMPARE(logged("supervisor: restarting"), 5);
        QCOMPARE(logged("partial-invoked by: " VIREON_FAKE_READSB " --device-type rtlsdr"), 5);
    }

    void stickFailuresEndWithoutRestart_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<SupervisorFailure>("failure");
        QTest::newRow("no stick plugged in") << QStringList() << SupervisorFailure::noDevice;
        QTest::newRow("a stick held by another program")
            << QStringList{"stderr usb_claim_interface error -6", "exit 1"} << SupervisorFailure::deviceBusy;
    }
    void stickFailuresEndWithoutRestart()
    {
        QFETCH(QStringList, scenario);
        QFETCH(SupervisorFailure, failure);
        if (scenario.isEmpty())
            qputenv("FAKE_READSB_STICK", path("no-stick").toUtf8());
        else
            useScenario(scenario);
        start();
        WAIT_UNTIL(is<Failed>(m_sup->state()));
        QCOMPARE(std::get<Failed>(m_sup->state()).failure, failure);
        QCOMPARE(logged("supervisor: readsb exited with status 1"), 1);
        QCOMPARE(logged("supervisor: restarting"), 0);
    }

    void aDecoderThatCannotRunFailsAsMissing_data()
    {
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("no decoder found says nothing") << false << QStringList();
        QTest::newRow("a decoder without execute permission is logged")
            << true << QStringList{"supervisor: failed to launch readsb: execvp: Permission denied"};
    }
    void aDecoderThatCannotRunFailsAsMissing()
    {
        QFETCH(bool, found);
        touch("readsb");
        m_sup->setBinaryLocator([&] { return found ? std::optional(path("readsb")) : std::nullopt; });
        start();
        WAIT_UNTIL(m_sup->state() == SupervisorState(Failed{SupervisorFailure::binaryMissing}));
        QTEST(lines(), "log");
    }

    // A running decoder is stopped once it has exited; a pending restart is simply called off.
    void stopEndsARunOrAPendingRestart()
    {
        useScenario({"stderr ready", "run"});
        start();
        WAIT_UNTIL(lines().contains("ready"));
        m_clock->advance(42s);
        m_sup->stop();
        QVERIFY(is<Running>(m_sup->state()));
        QVERIFY(!m_sup->desiredRunning());
        WAIT_UNTIL(is<Stopped>(m_sup->state()));
        QCOMPARE(lines().last(), "supervisor: readsb exited with status 0 after 42s");

        useScenario({"exit 1"});
        start();
        WAIT_UNTIL(is<Backoff>(m_sup->state()));
        m_sup->stop();
        QVERIFY(is<Stopped>(m_sup->state()));
        m_clock->advance(120s);
        QCOMPARE(logged("supervisor: launched"), 2);
    }

    void aReplacedDecoderIsAwaitedAndOnlyTheLastStartLaunches()
    {
        useScenario({"ignore-sigterm 600000", "stderr ready", "wait-for-file " + path("release"),
                     "stderr old decoder: Connection refused", "exit 0"});
        start();
        WAIT_UNTIL(lines().contains("ready"));
        useScenario({"stderr new decoder", "run"});
        QList<SupervisorState> states;
        connect(m_sup.get(), &ReadsbSupervisor::stateChanged, this, [&] { states.append(m_sup->state()); });

        start({"--gain", "second"});
        start({"--gain", "third"});
        QVERIFY(is<Launching>(m_sup->state()));
        touch("release");

        WAIT_UNTIL(lines().contains("new decoder"));
        QCOMPARE(states,
                 (QList<SupervisorState>{Launching{}, Launching{}, Launching{}, Running{m_clock->now()}}));
        QCOMPARE(recordedArguments().last(), "third");
        QCOMPARE(logged("supervisor: launched"), 2);
        QCOMPARE(logged("supervisor: readsb exited"), 0);
        QCOMPARE(m_sup->lastConnectorError(), "old decoder: Connection refused");
        QCOMPARE(liveDecoders(), 1);

        // Stopped while the replaced decoder is still on its way out: nothing launches after it.
        start();
        m_sup->stop();
        QVERIFY(is<Stopped>(m_sup->state()));
        WAIT_UNTIL(m_sup->findChildren<QProcess*>().isEmpty());
        QVERIFY(is<Stopped>(m_sup->state()));
        QCOMPARE(logged("supervisor: launched"), 2);
    }

    void quittingStopsEveryDecoderBeforeReturning_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<QStringList>("lastLines");
        QTest::newRow("a decoder that honours SIGTERM exits by itself")
            << QStringList{"stderr ready", "run"}
            << QStringList{"supervisor: readsb exited with status 0 after 0s"};
        QTest::newRow("a decoder that ignores SIGTERM is killed after the grace time")
            << QStringList{"ignore-sigterm 600000", "stderr ready", "run"}
            << QStringList{"supervisor: readsb (pid %1) did not exit within 0.3s of SIGTERM; killing it",
                           "supervisor: readsb exited with status 9 after 0s"};
    }
    void quittingStopsEveryDecoderBeforeReturning()
    {
        QFETCH(QStringList, scenario);
        QFETCH(QStringList, lastLines);
        useScenario(scenario);
        start();
        WAIT_UNTIL(lines().contains("ready"));
        const qint64 pid = m_sup->findChildren<QProcess*>().first()->processId();

        m_sup->stopAndWait(300ms);

        QCOMPARE(liveDecoders(), 0);
        QVERIFY(is<Stopped>(m_sup->state()));
        QCOMPARE(lines().mid(lines().size() - lastLines.size()),
                 lastLines.replaceInStrings("%1", QString::number(pid)));
    }

    void theDecoderDiesWithTheApplication()
    {
        useScenario({"report-pdeathsig", "run"});
        start();
        WAIT_UNTIL(lines().contains(QStringLiteral("parent-death signal: %1").arg(SIGTERM)));
    }

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
        QVERIFY(is<Launching>(m_sup->state()));
        WAIT_UNTIL(is<Running>(m_sup->state()) && recordedArguments().size() == 5);
        const QStringList expected{"--device-type", "rtlsdr", "--gain", passed, "--net"};
        QCOMPARE(recordedArguments(), expected);
        QCOMPARE(m_sup->currentArguments(), expected);
        WAIT_UNTIL(lines().contains("invoked by: " + QStringLiteral(VIREON_FAKE_READSB) + ' ' +
                                    expected.join(u' ')));
        // The decoder and its version are known once it speaks.
        WAIT_UNTIL(m_sup->decoderVersion() == std::optional<QString>("3.14.1642"));
        QCOMPARE(m_sup->decoderPath(), std::optional<QString>(VIREON_FAKE_READSB));
    }

    // 100,000 lines in two seconds, with NUL bytes and bytes that are not UTF-8: the log keeps its
    // newest lines and no more, and the line after the flood is still understood.
    void aFloodOfBrokenLinesLeavesTheLogBoundedAndTheNextLineUnderstood()
    {
        useScenario({"flood 50000/s 1 nul #\\x00 end", "flood 50000/s 1 \\xff\\xfe not UTF-8 #",
                     "stderr BeastReduce TCP output: Connection established: 127.0.0.1 port 30004", "run"});
        start();
        WAIT_UNTIL(m_sup->vireonConnectorUp());
        QCOMPARE(lines().size(), ReadsbSupervisor::logCapacity);
        QCOMPARE(lines().last(), "BeastReduce TCP output: Connection established: 127.0.0.1 port 30004");
        QCOMPARE(lines().at(lines().size() - 2), QString("nul 50000") + QChar(0) + " end");
        QCOMPARE(lines().filter("not UTF-8").size(), 0);
    }

    void aKeyThatIsNotSentIsLoggedAtLaunch()
    {
        m_sup->start({"--net", "--net-connector", "127.0.0.1,9,beast_reduce_plus_out,uuid=short"},
                     {{"vireon", "Vireon", "127.0.0.1", 9, true}});
        WAIT_UNTIL(is<Running>(m_sup->state()));
        const qsizetype launched = lines().indexOf(QRegularExpression("supervisor: launched readsb .*"));
        QVERIFY(launched >= 0 && launched + 1 < lines().size());
        QVERIFY(
            lines().at(launched + 1).startsWith("supervisor: Vireon (127.0.0.1:9): This key is not sent: "));
    }

    // readsb reports a network that takes each connection and drops it only as the connection
    // established, again and again; the verdict is lifted by the supervisor's own monotonic clock.
    void aConnectionReportedAgainAndAgainIsRetryingUntilAQuietMinute()
    {
        const QString established = "stderr BeastReduce TCP output: Connection established: 127.0.0.1 port 9";
        useScenario({established, established, established, "stderr ready", "run"});
        start({}, {{"vireon", "Vireon", "127.0.0.1", 9, true}});
        WAIT_UNTIL(lines().contains("ready"));
        const ConnectorHealth flapping = ConnectorHealth::retrying(ConnectionFlapping::reason);
        QCOMPARE(m_sup->connectorHealth().value("vireon"), flapping);
        QCOMPARE(m_sup->lastConnectorError(), ConnectionFlapping::reason);
        // The wall clock set back an hour does not keep the verdict for that hour.
        m_clock->setWallClock(-1h);
        m_clock->advance(59s);
        QCOMPARE(m_sup->connectorHealth().value("vireon"), flapping);
        m_clock->advance(1s);
        QCOMPARE(m_sup->connectorHealth().value("vireon"), ConnectorHealth::connected());
        QCOMPARE(m_sup->lastConnectorError(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestReadsbSupervisor)
#include "TestReadsbSupervisor.moc"
