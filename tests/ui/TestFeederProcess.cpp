#include "support/ProgramCopy.h"

#include <QFile>
#include <QtTest>
#include <csignal>

using vireon::test::ProgramCopy;

namespace {

constexpr int waitMs = 20'000;

bool exitedCleanly(QProcess& process)
{
    return process.waitForFinished(waitMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

// The real program, started from a copy whose decoder is the stand-in.
class TestFeederProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quitSignalStopsTheDecoderAndExitsZero_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("kill (SIGTERM)") << SIGTERM;
        QTest::newRow("Ctrl+C (SIGINT)") << SIGINT;
        QTest::newRow("end of session (SIGHUP)") << SIGHUP;
    }

    void quitSignalStopsTheDecoderAndExitsZero()
    {
        QFETCH(int, signalNumber);
        ProgramCopy copy;
        QVERIFY(copy.isReady());
        copy.writeStation(true, true);
        QProcess& app = copy.launch();
        QTRY_COMPARE_WITH_TIMEOUT(copy.decoderPids().size(), 1, waitMs);

        ::kill(pid_t(app.processId()), signalNumber);
        QVERIFY(exitedCleanly(app));
        QTRY_VERIFY_WITH_TIMEOUT(copy.decoderPids().isEmpty(), waitMs);
        // Quitting is not stopping: the next launch feeds again.
        QVERIFY(copy.feedingDesired());
        QVERIFY(!QFile::exists(copy.socketPath()));
    }

    void secondLaunchHandsOverAndExitsZero()
    {
        ProgramCopy copy;
        QVERIFY(copy.isReady());
        QProcess& first = copy.launch();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy.socketPath()), waitMs);

        QProcess& second = copy.launch();
        QVERIFY(exitedCleanly(second));
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(copy.decoderPids().isEmpty()); // onboarding not done: nobody feeds
    }

    void socketLeftByAKilledInstanceDoesNotBlockTheNextStart()
    {
        ProgramCopy copy;
        QVERIFY(copy.isReady());
        copy.writeStation(true, true);
        QProcess& crashed = copy.launch();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy.socketPath()), waitMs);
        crashed.kill();
        QVERIFY(crashed.waitForFinished(waitMs));
        QVERIFY(QFile::exists(copy.socketPath()));
        // Its decoder follows it (parent-death signal).
        QTRY_VERIFY_WITH_TIMEOUT(copy.decoderPids().isEmpty(), waitMs);

        QProcess& next = copy.launch();
        QTRY_COMPARE_WITH_TIMEOUT(copy.decoderPids().size(), 1, waitMs);
        QProcess& another = copy.launch();
        QVERIFY(exitedCleanly(another));
        QCOMPARE(next.state(), QProcess::Running);

        next.terminate();
        QVERIFY(exitedCleanly(next));
        QTRY_VERIFY_WITH_TIMEOUT(copy.decoderPids().isEmpty(), waitMs);
    }
};

QTEST_GUILESS_MAIN(TestFeederProcess)
#include "TestFeederProcess.moc"
