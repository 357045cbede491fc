// The release program as a user starts it, on an X server with a system tray (Xvfb and trayer):
//  - time from process start to its icon sitting in the tray, over several starts;
//  - while feeding from the stand-in decoder, which rewrites a 1,000-aircraft aircraft.json and
//    stats.json every second: resident memory, CPU averaged over the run with the panel closed,
//    and how often the tray icon was redrawn (counted from the program's vireon.tray debug lines).
//
// usage: bench_shell_desktop <vireon-feeder> <decoder> [seconds, default 300] [starts, default 5]
//   build/release/bench/bench_shell_desktop build/release/vireon-feeder
//       build/release/tests/fake-readsb/fake-readsb 300
// Needs Xvfb, trayer and xwininfo (scripts/setup installs them).

#include "EventLoopGaps.h"
#include "ProcFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

using vireon::bench::runFor;
using vireon::bench::runUntil;

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The application's icon window embedded in trayer's panel.
bool iconInTray()
{
    const QString tree = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    const qsizetype panel = tree.indexOf(QStringLiteral("(\"panel\" \"trayer\")"));
    return panel >= 0 && tree.indexOf(QStringLiteral("\"Vireon Feeder\": (\"vireon-feeder\""), panel) >= 0;
}

struct CpuAndMemory {
    qint64 ticks = 0;
    qint64 rssKb = 0;
    qint64 anonKb = 0; // private memory; the rest of the resident set is shared library pages
};

CpuAndMemory sample(qint64 pid)
{
    const QString process = QString::number(pid);
    const QByteArray status = vireon::bench::readProc(process, "status");
    return {vireon::bench::cpuTicks(process), vireon::bench::procField(status, "VmRSS:"),
            vireon::bench::procField(status, "RssAnon:")};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <vireon-feeder> <decoder> [seconds] [starts]\n", argv[0]);
        return 2;
    }
    const int seconds = argc > 3 ? std::max(5, std::atoi(argv[3])) : 300;
    const int starts = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

    QTemporaryDir dir;
    auto path = [&](const char* relative) { return dir.filePath(QLatin1String(relative)); };
    QDir().mkpath(path("bin"));
    QDir().mkpath(path("xdg/VireonFeeder"));
    QDir().mkpath(path("run"));
    QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), path("vireon-feeder")) ||
        !QFile::copy(QString::fromLocal8Bit(argv[2]), path("bin/readsb"))) {
        std::fprintf(stderr, "cannot copy the program and the decoder\n");
        return 1;
    }

    QTcpServer ingest;
    ingest.listen(QHostAddress::LocalHost);
    QObject::connect(&ingest, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = ingest.nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    });
    QFile config(path("xdg/VireonFeeder/config.json"));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral(R"({"station":{"lat":52.52,"lon":13.4},
        "vireon":{"uuid":"0123abcd-0000-4000-8000-000000000001","host":"127.0.0.1","port":%1}})")
                     .arg(ingest.serverPort())
                     .toUtf8());
    config.close();
    QFile scenario(path("scenario"));
    scenario.open(QIODevice::WriteOnly);
    scenario.write("connect\nwrite-json aircraft=1000 messages=600000 window=60\nrun\n");
    scenario.close();
    auto writeDefaults = [&](bool feeding) {
        QFile defaults(path("xdg/VireonFeeder.conf"));
        defaults.open(QIODevice::WriteOnly | QIODevice::Truncate);
        defaults.write(QByteArray("[General]\nhasCompletedOnboarding=true\nfeedingDesired=") +
                       (feeding ? "true" : "false") + "\n");
    };

    int displayNumber = 90;
    while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(displayNumber)))
        ++displayNumber;
    const QString display = QStringLiteral(":%1").arg(displayNumber);
    qputenv("DISPLAY", display.toUtf8());
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"),
               {display, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x800x24"),
                QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    runFor(1000);
    QProcess trayer;
    trayer.start(QStringLiteral("trayer"),
                 {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                  QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                  QStringLiteral("--height"), QStringLiteral("32")});
    runFor(1000);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("xdg"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
    env.insert(QStringLiteral("FAKE_READSB_SCENARIO"), path("scenario"));

    // Time to the tray icon.
    writeDefaults(false);
    std::vector<double> toIcon;
    for (int i = 0; i < starts; ++i) {
        QProcess feeder;
        feeder.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        feeder.start(path("vireon-feeder"), {});
        if (!runUntil(iconInTray, 20'000)) {
            std::fprintf(stderr, "the tray icon did not appear\n");
            return 1;
        }
        toIcon.push_back(double(clock.nsecsElapsed()) / 1e6);
        feeder.terminate();
        feeder.waitForFinished(10'000);
        runUntil([] { return !iconInTray(); }, 5000);
    }
    std::sort(toIcon.begin(), toIcon.end());
    std::printf("process start to tray icon, %d starts: median %.0f ms, worst %.0f ms\n", starts,
                toIcon[toIcon.size() / 2], toIcon.back());

    // Feeding.
    writeDefaults(true);
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vireon.tray.debug=true"));
    QProcess feeder;
    feeder.setProcessEnvironment(env);
    feeder.start(path("vireon-feeder"), {});
    runFor(8000); // launch, first connection and first stats poll
    const qint64 pid = feeder.processId();
    const CpuAndMemory first = sample(pid);
    qint64 peakKb = first.rssKb;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000LL) {
        runFor(1000);
        peakKb = std::max(peakKb, sample(pid).rssKb);
    }
    const CpuAndMemory last = sample(pid);
    const double cpuSeconds = double(last.ticks - first.ticks) / double(::sysconf(_SC_CLK_TCK));
    feeder.terminate();
    feeder.waitForFinished(15'000);
    const QStringList redraws = QString::fromLocal8Bit(feeder.readAllStandardError())
                                    .split(QLatin1Char('\n'))
                                    .filter(QStringLiteral("icon redrawn"));
    std::printf("feeding %d s with the panel closed: resident %.1f MB (peak %.1f MB, private %.1f MB), "
                "CPU %.3f %% of a core\n",
                seconds, double(last.rssKb) / 1024, double(peakKb) / 1024, double(last.anonKb) / 1024,
                100.0 * cpuSeconds / seconds);
    std::printf("tray icon redrawn %lld times over the whole run:\n", qlonglong(redraws.size()));
    for (const QString& line : redraws)
        std::printf("  %s\n", qPrintable(line.section(QStringLiteral("icon redrawn: "), 1)));
    std::printf("exit status %d\n", feeder.exitCode());

    trayer.terminate();
    trayer.waitForFinished(3000);
    xvfb.terminate();
    xvfb.waitForFinished(3000);
    return 0;
}
