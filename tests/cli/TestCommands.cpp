#include "cli/InstanceAnswers.h"
#include "cli/TerminalText.h"
#include "support/IngestListener.h"
#include "support/ProgramCopy.h"
#include "support/StationHarness.h"

#include <QtTest>
#include <csignal>

using vireon::test::IngestListener;
using vireon::test::ProgramCopy;
using vireon::test::StationHarness;

namespace {

constexpr int waitMs = 20'000;

// The default station, its primary network pointed at `port` on this machine.
QJsonObject stationFeeding(quint16 port)
{
    QJsonObject config = StationHarness::defaultConfig();
    QJsonObject vireon = config.value(QStringLiteral("vireon")).toObject();
    vireon[QStringLiteral("host")] = QStringLiteral("127.0.0.1");
    vireon[QStringLiteral("port")] = port;
    config[QStringLiteral("vireon")] = vireon;
    return config;
}

// Standard error of a running copy, gathered as it comes.
QString errorsSoFar(QProcess& process, QString& gathered)
{
    gathered += QString::fromUtf8(process.readAllStandardError());
    return gathered;
}

} // namespace

// The command line against a copy of the real program whose decoder is the stand-in.
class TestCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusAsksTheRunningInstance_data()
    {
        QTest::addColumn<QString>("instance");
        QTest::addColumn<bool>("ingestUp");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QRegularExpression>("out");
        QTest::newRow("the tray application, feeding: 0")
            << "tray" << true << 0
            << QRegularExpression(QStringLiteral("\\AFeeding \u00b7 3 aircraft \u00b7 \\d+ msg/s\n"
                                                 "Vireon: connected\n\\z"));
        QTest::newRow("a headless one whose network is down: 1")
            << "--headless" << false << 1
            << QRegularExpression(QStringLiteral("\\AIngest unreachable \u2014 retrying\u2026\n"
                                                 "Vireon: retrying \\(.*Connection refused.*\\)\n\\z"));
        QTest::newRow("none: 3") << "" << true << 3
                                 << QRegularExpression(
                                        QStringLiteral("\\AVireon Feeder is not running\n\\z"));
    }
    void statusAsksTheRunningInstance()
    {
        QFETCH(QString, instance);
        QFETCH(bool, ingestUp);
        QFETCH(int, exitCode);
        QFETCH(QRegularExpression, out);
        ProgramCopy copy;
        QVERIFY(copy.isReady());
        IngestListener ingest;
        QVERIFY(ingest.listen());
        if (!ingestUp)
            ingest.close();
        copy.writeStation(true, true, stationFeeding(ingest.port()));
        if (!instance.isEmpty()) {
            copy.launch(instance == u"tray" ? QStringList() : QStringList{instance});
            QTRY_COMPARE_WITH_TIMEOUT(copy.decoderPids().size(), 1, waitMs);
        }

        ProgramCopy::Run status;
        QTRY_VERIFY2_WITH_TIMEOUT((status = copy.run({QStringLiteral("--status")})).exitCode == exitCode,
                                  qPrintable(status.out + status.err), waitMs);
        QVERIFY2(out.match(status.out).hasMatch(), qPrintable(status.out));
    }

    void reportComesFromTheRunningInstanceOrFromDisk()
    {
        ProgramCopy copy;
        QVERIFY(copy.isReady());
        // A name that would clear the person's terminal is shown, not obeyed.
        copy.writeStation(
            true, true,
            StationHarness::defaultConfigWith(
                "station", QJsonObject{{"name", "Roof\u001b[2Jtop"}, {"lat", 52.5}, {"lon", 13.4}}));

        const ProgramCopy::Run fromDisk = copy.run({QStringLiteral("--report")});
        QCOMPARE(fromDisk.exitCode, 0);
        QVERIFY(fromDisk.out.startsWith(QStringLiteral("Vireon Feeder diagnostics\n")));
        QVERIFY(fromDisk.out.contains(QStringLiteral("\nSupervisor state: stopped\n")));
        QVERIFY2(fromDisk.out.contains(QStringLiteral("\nStation name: Roof\uFFFD[2Jtop\n")),
                 qPrintable(fromDisk.out));
        QVERIFY(
            fromDisk.err.contains(QStringLiteral("not running; this report is made from the files on disk")));

        copy.launch({QStringLiteral("--headless")});
        QTRY_COMPARE_WITH_TIMEOUT(copy.decoderPids().size(), 1, waitMs);
        ProgramCopy::Run running;
        QTRY_VERIFY_WITH_TIMEOUT(
            (running = copy.run({QStringLiteral("--report")})).out.contains(QStringLiteral("running(since")),
            waitMs);
        QCOMPARE(running.exitCode, 0);
        QVERIFY(running.out.contains(QStringLiteral("readsb version: 3.14.1642 (test stand-in)")));
        QCOMPARE(running.err, QString());
    }

    void optionsOfTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help lists the options") << QStringList{"--help"} << 0 << "--status"
                                                  << "";
        QTest::newRow("--version names the build")
            << QStringList{"--version"} << 0 << "vireon-feeder 0.1.0 (build "
            << "";
        QTest::newRow("two modes at once")
            << QStringList{"--status", "--report"} << 64 << ""
            << "Choose one of --help, --version, --headless, --status and --report.";
        QTest::newRow("an unknown option") << QStringList{"--stauts"} << 64 << ""
                                           << "Unknown option 'stauts'.";
        QTest::newRow("a stray argument") << QStringList{"--status", "now"} << 64 << ""
                                          << "Unexpected argument 'now'.";
    }
    void optionsOfTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        ProgramCopy copy;
        QVERIFY(copy.isReady());
        const ProgramCopy::Run run = copy.run(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    }

    void headlessLogsFeedsAloneAndStopsInOrder()
    {
        ProgramCopy copy;
        QVERIFY(copy.isReady());
        IngestListener ingest;
        QVERIFY(ingest.listen());
        // Never onboarded: config.json written by hand is enough.
        copy.writeStation(false, false, stationFeeding(ingest.port()));
        QProcess& headless = copy.launch({QStringLiteral("--headless")}, ProgramCopy::Output::errorsKept);
        QString log;
        const QRegularExpression connected(QStringLiteral("\n\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "
                                                          "Vireon: connected\n"));
        QTRY_VERIFY2_WITH_TIMEOUT(connected.match(errorsSoFar(headless, log)).hasMatch(), qPrintable(log),
                                  waitMs);
        QCOMPARE(copy.decoderPids().size(), 1);

        const ProgramCopy::Run second = copy.run({QStringLiteral("--headless")});
        QCOMPARE(second.exitCode, 4);
        QVERIFY2(second.err.contains(QStringLiteral("already runs for this user without windows (pid %1)")
                                         .arg(headless.processId())),
                 qPrintable(second.err));
        QCOMPARE(copy.decoderPids().size(), 1);

        ::kill(pid_t(headless.processId()), SIGTERM);
        QVERIFY(headless.waitForFinished(waitMs));
        QCOMPARE(headless.exitStatus(), QProcess::NormalExit);
        QCOMPARE(headless.exitCode(), 0);
        QVERIFY(errorsSoFar(headless, log).contains(QStringLiteral("Stopped feeding; quitting")));
        QTRY_VERIFY_WITH_TIMEOUT(copy.decoderPids().isEmpty(), waitMs);
        QVERIFY(!QFile::exists(copy.socketPath()));
    }

    void headlessIsRefusedWhileTheTrayApplicationRuns()
    {
        ProgramCopy copy;
        QVERIFY(copy.isReady());
        QProcess& tray = copy.launch();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy.socketPath()), waitMs);

        const ProgramCopy::Run headless = copy.run({QStringLiteral("--headless")});
        QCOMPARE(headless.exitCode, 4);
        QVERIFY2(headless.err.contains(
                     QStringLiteral("already runs for this user in the tray (pid %1)").arg(tray.processId())),
                 qPrintable(headless.err));
        QCOMPARE(tray.state(), QProcess::Running);
    }

    void onlyTextReachesTheTerminal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("lines, tabs and other scripts stay") << "a\tb\nc — café 🛩"
                                                            << "a\tb\nc — café 🛩";
        QTest::newRow("an escape sequence is shown, not obeyed") << "x\u001b]0;title\u0007y"
                                                                 << "x\uFFFD]0;title\uFFFDy";
        QTest::newRow("a carriage return would write over the line") << "ok\rfake"
                                                                     << "ok\uFFFDfake";
        QTest::newRow("NUL, DEL and the eight-bit controls")
            << QString::fromUtf16(u"a\u0000b\u007fc\u009bd", 7) << "a\uFFFDb\uFFFDc\uFFFDd";
    }
    void onlyTextReachesTheTerminal()
    {
        QFETCH(QString, text);
        QTEST(vireon::terminalText(text), "shown");
    }

    // Whatever listens on the socket answers; the sentence tells the person what to type, so only a
    // number that can be a process reaches its kill command.
    void theRunningInstanceIsNamedOnlyByAProcessId_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QString>("howToStop");
        QTest::newRow("tray") << QByteArray("tray 1234") << "1234"
                              << "from its menu";
        QTest::newRow("headless, with a line end") << QByteArray("headless 42\n") << "42"
                                                   << "systemctl";
        QTest::newRow("minus one would be every process") << QByteArray("headless -1") << ""
                                                          << "systemctl";
        QTest::newRow("no pid") << QByteArray("headless") << ""
                                << "systemctl";
        QTest::newRow("zero") << QByteArray("tray 0") << ""
                              << "from its menu";
        QTest::newRow("text after digits") << QByteArray("tray 12;rm") << ""
                                           << "from its menu";
        QTest::newRow("leading zero") << QByteArray("tray 0012") << ""
                                      << "from its menu";
        QTest::newRow("beyond an int") << QByteArray("headless 99999999999") << ""
                                       << "systemctl";
        QTest::newRow("no mode of ours") << QByteArray("shell 1234") << ""
                                         << "Quit it first";
    }
    void theRunningInstanceIsNamedOnlyByAProcessId()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, pid);
        QFETCH(QString, howToStop);
        const QString sentence = vireon::InstanceAnswers::whoRuns(answer);
        QVERIFY2(sentence.contains(howToStop), qPrintable(sentence));
        if (pid.isEmpty()) {
            QVERIFY2(!sentence.contains(QStringLiteral("kill")) && !sentence.contains(QStringLiteral("pid")),
                     qPrintable(sentence));
        } else {
            QVERIFY2(sentence.contains(QStringLiteral("(pid %1)").arg(pid)) &&
                         sentence.contains(QStringLiteral("kill %1.").arg(pid)),
                     qPrintable(sentence));
        }
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "TestCommands.moc"
