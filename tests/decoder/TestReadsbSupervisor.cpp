#include "decoder/ReadsbSupervisor.h"
#include "support/IngestListener.h"
#include "support/ManualTimeSource.h"

#include <QProcess>
#include <QtTest>
#include <csignal>

using namespace std::chrono_literals;
using namespace vireon;
using namespace vireon::supervisor_state;
using vireon::test::IngestListener;
using vireon::test::ManualTimeSource;

// Real decoder processes under the sanitizers can be slow to start; generous, never a measurement.
#define WAIT_UNTIL(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, 60000)

namespace {

const QStringList baseArguments{"--device-type", "rtlsdr", "--net"};
const MonitoredConnector vireonAtLoopback{"vireon", "Vireon", "127.0.0.1", 30004, true};

template <typename S>
bool is(const SupervisorState& state)
{
    return std::holds_alternative<S>(state);
}

} // namespace

class TestReadsbSupervisor : public QObject {
    Q_OBJECT

    ManualTimeSource* m_clock = nullptr;
    ReadsbSupervisor* m_supervisor = nullptr;
    QTemporaryDir* m_dir = nullptr;

    ManualTimeSource& clock() { return *m_clock; }
    ReadsbSupervisor& supervisor() { return *m_supervisor; }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    void useScenario(const QStringList& steps)
    {
        const QString file = path(QStringLiteral("scenario-%1").arg(QRandomGenerator::global()->generate()));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(steps.join(u'\n').toUtf8());
        qputenv("FAKE_READSB_SCENARIO", file.toUtf8());
    }
    void touch(const QString& name) { QVERIFY(QFile(path(name)).open(QIODevice::WriteOnly)); }
    qsizetype logged(const QString& prefix) const
    {
        return std::count_if(m_supervisor->logBuffer().lines().begin(),
                             m_supervisor->logBuffer().lines().end(),
                             [&](const QString& line) { return line.startsWith(prefix); });
    }
    int liveDecoders() const
    {
        const auto processes = m_supervisor->findChildren<QProcess*>();
        return int(std::count_if(processes.begin(), processes.end(),
                                 [](QProcess* p) { return p->state() != QProcess::NotRunning; }));
    }
    QStringList recordedArguments() const
    {
        QFile file(path("args"));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }
    void start(const QStringList& extra = {},
               const QList<MonitoredConnector>& connectors = {vireonAtLoopback})
    {
        supervisor().start(baseArguments + extra, connectors);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_clock = new ManualTimeSource;
        m_supervisor = new ReadsbSupervisor(*m_clock);
        m_supervisor->setBinaryLocator([] { return QStringLiteral(VIREON_FAKE_READSB); });
        qputenv("FAKE_READSB_ARGS_FILE", path("args").toUtf8());
        qunsetenv("FAKE_READSB_SCENARIO");
        qunsetenv("FAKE_READSB_STICK");
    }
    void cleanup()
    {
        delete m_supervisor;
        delete m_clock;
        delete m_dir;
    }

    void backsOffTwoToThirtyTwoSecondsThenDeclaresACrashLoop()
    {
        useScenario({"exit 1"});
        start();
        const qint64 delays[] = {2, 4, 8, 16, 32};
        for (qint64 attempt = 1; attempt <= 5; ++attempt) {
            WAIT_UNTIL(is<Backoff>(supervisor().state()));
            const qint64 delay = delays[attempt - 1];
            QCOMPARE(std::get<Backoff>(supervisor().state()),
                     (Backoff{clock().now().addSecs(delay), attempt}));
            QCOMPARE(supervisor().logBuffer().lines().last(),
                     QStringLiteral("supervisor: restarting in %1s (attempt %2)").arg(delay).arg(attempt));
            clock().advance(std::chrono::seconds(delay));
        }
        WAIT_UNTIL(is<Failed>(supervisor().state()));
        QCOMPARE(std::get<Failed>(supervisor().state()).failure, SupervisorFailure::crashLoop);
        QCOMPARE(logged("supervisor: readsb exited with status 1 after 0s"), 6);
        QCOMPARE(logged("supervisor: restarting"), 5);
        QCOMPARE(clock().activeTimerCount(), 0);
    }

    void exitsEveryHundredSecondsNeverMakeACrashLoop()
    {
        useScenario({"wait-for-file " + path("go"), "exit 3"});
        start();
        for (const qint64 delay : {2, 4, 8, 16, 32, 60, 60, 60}) {
            clock().advance(100s);
            touch("go");
            WAIT_UNTIL(is<Backoff>(supervisor().state()));
            QCOMPARE(std::get<Backoff>(supervisor().state()).nextAttempt, clock().now().addSecs(delay));
            QVERIFY(supervisor().logBuffer().lines().contains(
                "supervisor: readsb exited with status 3 after 100s"));
            QFile::remove(path("go"));
            clock().advance(std::chrono::seconds(delay));
            QVERIFY(is<Running>(supervisor().state()));
        }
    }

    void aLongRunStartsTheCountAfresh_data()
    {
        QTest::addColumn<int>("uptime");
        QTest::addColumn<qint64>("nextDelay");
        QTest::newRow("a run of 299 s keeps counting") << 299 << qint64(8);
        QTest::newRow("a run of 300 s begins again at 2 s") << 300 << qint64(2);
    }
    void aLongRunStartsTheCountAfresh()
    {
        QFETCH(int, uptime);
        QFETCH(qint64, nextDelay);
        useScenario({"wait-for-file " + path("go"), "exit 1"});
        start();
        for (const int runFor : {0, 0, uptime}) {
            clock().advance(std::chrono::seconds(runFor));
            touch("go");
            WAIT_UNTIL(is<Backoff>(supervisor().state()));
            QFile::remove(path("go"));
            if (runFor != uptime)
                clock().advance(std::chrono::seconds(std::get<Backoff>(supervisor().state()).attempt * 2));
        }
        QCOMPARE(std::get<Backoff>(supervisor().state()).nextAttempt, clock().now().addSecs(nextDelay));
    }

    void stickFailuresEndWithoutRestart_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<bool>("stickAtStart");
        QTest::addColumn<bool>("pulledOut");
        QTest::addColumn<SupervisorFailure>("failure");
        QTest::newRow("no stick plugged in")
            << QStringList() << false << false << SupervisorFailure::noDevice;
        QTest::newRow("the stick pulled out while feeding")
            << QStringList() << true << true << SupervisorFailure::noDevice;
        QTest::newRow("a stick held by another program")
            << QStringList{"stderr usb_claim_interface error -6", "exit 1"} << true << false
            << SupervisorFailure::deviceBusy;
    }
    void stickFailuresEndWithoutRestart()
    {
        QFETCH(QStringList, scenario);
        QFETCH(bool, stickAtStart);
        QFETCH(bool, pulledOut);
        QFETCH(SupervisorFailure, failure);
        if (!scenario.isEmpty())
            useScenario(scenario);
        if (stickAtStart)
            touch("stick");
        qputenv("FAKE_READSB_STICK", path("stick").toUtf8());
        start();
        if (pulledOut)
            QFile::remove(path("stick"));

        WAIT_UNTIL(is<Failed>(supervisor().state()));
        QCOMPARE(std::get<Failed>(supervisor().state()).failure, failure);
        QCOMPARE(logged("supervisor: readsb exited with status 1"), 1);
        QCOMPARE(logged("supervisor: restarting"), 0);
        QCOMPARE(clock().activeTimerCount(), 0);
    }

    void aDecoderThatCannotRunFailsAsMissing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("no decoder found says nothing") << QString() << QStringList();
        QTest::newRow("a decoder without execute permission is logged")
            << "readsb" << QStringList{"supervisor: failed to launch readsb: execvp: Permission denied"};
    }
    void aDecoderThatCannotRunFailsAsMissing()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, log);
        std::optional<QString> location;
        if (!file.isEmpty()) {
            touch(file);
            location = path(file);
        }
        supervisor().setBinaryLocator([&] { return location; });
        start();
        QCOMPARE(supervisor().state(), SupervisorState(Failed{SupervisorFailure::binaryMissing}));
        QCOMPARE(supervisor().logBuffer().lines(), log);
    }

    void findsTheDecoderOnThePathOnlyWhenItIsExecutable()
    {
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", m_dir->path().toUtf8());
        touch("readsb");
        const std::optional<QString> notExecutable = ReadsbSupervisor::defaultBinaryLocation();
        QFile(path("readsb")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const std::optional<QString> executable = ReadsbSupervisor::defaultBinaryLocation();
        qputenv("PATH", savedPath);
        QCOMPARE(notExecutable, std::nullopt);
        QCOMPARE(executable, path("readsb"));
    }

    void stopWhileRunningWaitsForTheExit()
    {
        useScenario({"stderr ready", "run"});
        start();
        WAIT_UNTIL(supervisor().logBuffer().lines().contains("ready"));
        clock().advance(42s);
        supervisor().stop();
        QVERIFY(is<Running>(supervisor().state()));
        QVERIFY(!supervisor().desiredRunning());
        WAIT_UNTIL(is<Stopped>(supervisor().state()));
        QCOMPARE(supervisor().logBuffer().lines().last(),
                 "supervisor: readsb exited with status 0 after 42s");
    }

    void stopDuringBackoffCancelsTheRestart()
    {
        useScenario({"exit 1"});
        start();
        WAIT_UNTIL(is<Backoff>(supervisor().state()));
        supervisor().stop();
        QVERIFY(is<Stopped>(supervisor().state()));
        clock().advance(120s);
        QCOMPARE(logged("supervisor: launched"), 1);
    }

    void replacingADecoderWaitsForItToGo()
    {
        useScenario({"ignore-sigterm 600000", "stderr ready", "wait-for-file " + path("release"),
                     "stderr old decoder: Connection refused", "exit 0"});
        start();
        WAIT_UNTIL(supervisor().logBuffer().lines().contains("ready"));
        useScenario({"stderr new decoder", "run"});
        QList<SupervisorState> states;
        connect(&supervisor(), &ReadsbSupervisor::stateChanged, this,
                [&] { states.append(supervisor().state()); });

        start({"--gain", "second"});
        start({"--gain", "third"});
        QVERIFY(is<Launching>(supervisor().state()));
        touch("release");

        WAIT_UNTIL(supervisor().logBuffer().lines().contains("new decoder"));
        QCOMPARE(states,
                 (QList<SupervisorState>{Launching{}, Launching{}, Launching{}, Running{clock().now()}}));
        QCOMPARE(recordedArguments(), supervisor().currentArguments());
        QCOMPARE(supervisor().currentArguments().last(), "third");
        QCOMPARE(logged("supervisor: launched"), 2);
        QCOMPARE(logged("supervisor: readsb exited"), 0);
        QCOMPARE(supervisor().lastConnectorError(), "old decoder: Connection refused");
        QCOMPARE(liveDecoders(), 1);
    }

    void stopWhileAReplacedDecoderExitsLaunchesNothing()
    {
        useScenario({"ignore-sigterm 600000", "stderr ready", "wait-for-file " + path("release"), "exit 0"});
        start();
        WAIT_UNTIL(supervisor().logBuffer().lines().contains("ready"));
        start();
        supervisor().stop();
        QVERIFY(is<Stopped>(supervisor().state()));
        touch("release");
        WAIT_UNTIL(supervisor().findChildren<QProcess*>().isEmpty());
        QVERIFY(is<Stopped>(supervisor().state()));
        QCOMPARE(logged("supervisor: launched"), 1);
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
        WAIT_UNTIL(supervisor().logBuffer().lines().contains("ready"));
        const qint64 pid = supervisor().findChildren<QProcess*>().first()->processId();

        supervisor().stopAndWait(300ms);

        QCOMPARE(liveDecoders(), 0);
        QVERIFY(is<Stopped>(supervisor().state()));
        const QStringList lines = supervisor().logBuffer().lines();
        QCOMPARE(lines.mid(lines.size() - lastLines.size()),
                 lastLines.replaceInStrings("%1", QString::number(pid)));
    }

    void theDecoderDiesWithTheApplication()
    {
        useScenario({"report-pdeathsig", "run"});
        start();
        WAIT_UNTIL(supervisor().logBuffer().lines().contains(
            QStringLiteral("parent-death signal: %1").arg(SIGTERM)));
    }

    void anUnfinishedLineJoinsTheNextRunsFirstLine()
    {
        useScenario({"stderr-raw partial-", "exit 1"});
        start();
        WAIT_UNTIL(is<Backoff>(supervisor().state()));
        clock().advance(2s);
        WAIT_UNTIL(logged("partial-invoked by: " VIREON_FAKE_READSB " --device-type rtlsdr") == 1);
    }

    void theStreamReachesEachNetworkAndHealthFollowsIt()
    {
        IngestListener vireon;
        IngestListener other;
        QVERIFY(vireon.listen());
        QVERIFY(other.listen());
        const QString key = QStringLiteral("0123abcd-0000-4000-8000-000000000001");
        bool sawUp = false;
        connect(&supervisor(), &ReadsbSupervisor::changed, this,
                [&] { sawUp |= supervisor().vireonConnectorUp(); });
        start({"--net-connector",
               QStringLiteral("127.0.0.1,%1,beast_reduce_plus_out,uuid=%2").arg(vireon.port()).arg(key),
               "--net-connector", QStringLiteral("localhost,%1,beast_out").arg(other.port())},
              {{"other", "Other", "localhost", other.port(), false},
               {"vireon", "Vireon", "127.0.0.1", vireon.port(), true}});

        WAIT_UNTIL(vireon.hasReceivedUuid(key) && sawUp);
        WAIT_UNTIL(supervisor().connectorHealth().value("other") == ConnectorHealth::connected());
        const QByteArray longModeSFrame("\x1a\x33", 2); // escape byte, then type '3'
        QVERIFY(vireon.streams().first().sliced(key.size() + 6).startsWith(longModeSFrame));

        vireon.close();
        WAIT_UNTIL(!supervisor().vireonConnectorUp());
        QCOMPARE(supervisor().connectorHealth().value("vireon").kind, ConnectorHealth::Kind::retrying);
        QVERIFY(supervisor().lastConnectorError()->contains(QString::number(vireon.port())));
        QCOMPARE(supervisor().connectorHealth().value("other"), ConnectorHealth::connected());

        QVERIFY(vireon.reopen());
        WAIT_UNTIL(supervisor().vireonConnectorUp() && vireon.connectionCount() == 2);
        QCOMPARE(supervisor().lastConnectorError(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestReadsbSupervisor)
#include "TestReadsbSupervisor.moc"
