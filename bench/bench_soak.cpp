// The application left running under everything a long day brings, on an X server with a system
// tray (Xvfb and trayer): the stand-in decoder rewrites 1,000 aircraft every second, and
//  - the decoder is killed every 5 minutes (and restarted by the application),
//  - one other network goes away for 20 seconds every 2 minutes,
//  - feeding is stopped and started from the panel every 5 minutes, so the network document is
//    fetched again, from a server that answers in turn with the document, with 500, and with a
//    body that never ends,
//  - the panel and the settings window are opened and closed every minute.
// It is the application's own shell (VireonFeederApp, as main() builds it), in this process so its
// document address can point at the local server and its event loop can be timed. It reports
// resident and private memory at the start, after 5 minutes and at the end, open descriptors,
// threads, child processes and zombies, and the longest the GUI thread went without turning its
// event loop.
//
// usage: bench_soak <decoder> [seconds, default 3600] [--check-leaks]
//   nice build/release/bench/bench_soak build/release/tests/fake-readsb/fake-readsb 3600
// Runs shorter than 10 minutes do everything ten times as often. --check-leaks exits 1 when
// descriptors or child processes differ between start and end, or a zombie or a decoder is left
// (the suite runs it for 60 s). Needs Xvfb and trayer (scripts/setup installs them).

#include "EventLoopGaps.h"
#include "ProcFiles.h"
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "decoder/ReadsbSupervisor.h"
#include "location/LocationProvider.h"
#include "platform/QtLocationService.h"
#include "platform/TimeSource.h"
#include "stats/StatsReader.h"
#include "support/ChildProcesses.h"
#include "ui/VireonFeederApp.h"
#include "ui/WindowRouter.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/panel/MenuContentView.h"
#include "ui/panel/PanelWindow.h"
#include "ui/settings/SettingsView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace vireon;

namespace {

using bench::GapMeter;
using bench::runFor;
using bench::runUntil;
using test::ChildProcesses;

struct Figures {
    qint64 rssKb = 0;
    qint64 privateKb = 0;
    qint64 threads = 0;
    qint64 descriptors = 0;
    qsizetype children = 0;
    qsizetype zombies = 0;
};

// The X server and the tray this program started are its children too, but not the application's.
QList<pid_t> desktop;

Figures figures()
{
    Figures out;
    const QByteArray status = bench::readProc(QStringLiteral("self"), "status");
    out.rssKb = bench::procField(status, "VmRSS:");
    out.privateKb = bench::procField(status, "RssAnon:");
    out.threads = bench::procField(status, "Threads:");
    out.descriptors =
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
    for (const ChildProcesses::Child& child : ChildProcesses::of()) {
        if (desktop.contains(child.pid))
            continue;
        ++out.children;
        out.zombies += child.zombie ? 1 : 0;
    }
    return out;
}

void print(const char* when, const Figures& f)
{
    std::printf("  %-16s resident %7.1f MB  private %7.1f MB  threads %3lld  descriptors %3lld  children %lld"
                "  zombies %lld\n",
                when, double(f.rssKb) / 1024, double(f.privateKb) / 1024, f.threads, f.descriptors,
                qlonglong(f.children), qlonglong(f.zombies));
    std::fflush(stdout);
}

pid_t spawn(QByteArrayList argv)
{
    std::vector<char*> args;
    for (QByteArray& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    return ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0 ? pid : 0;
}

void end(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

// Answers each request for the network document in turn with the document, with 500, and with a
// 200 whose body goes on until the client gives up.
class DocumentServer {
public:
    explicit DocumentServer(quint16 ingestPort) : m_ingestPort(ingestPort)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/feeder-config.json").arg(m_server.serverPort());
    }
    int answered[3] = {0, 0, 0};

private:
    void answer(QTcpSocket* socket)
    {
        if (!socket->readAll().contains("\r\n\r\n") || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        const int kind = m_next++ % 3;
        ++answered[kind];
        if (kind == 0) {
            const QByteArray body = QStringLiteral(R"({"ingest": {"host": "127.0.0.1", "port": %1,
                "protocol": "beast_reduce_plus_out"}, "presets": []})")
                                        .arg(m_ingestPort)
                                        .toUtf8();
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        } else if (kind == 1) {
            socket->write(
                "HTTP/1.1 500 Internal Server Error\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
            socket->disconnectFromHost();
        } else {
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{\"ingest\": {\"host\": \"");
            auto* drip = new QTimer(socket);
            QObject::connect(drip, &QTimer::timeout, socket,
                             [socket] { socket->write(QByteArray(512, ' ')); });
            drip->start(100);
        }
    }

    QTcpServer m_server;
    quint16 m_ingestPort;
    int m_next = 0;
};

// Takes the beast stream and throws it away; can go away and come back on the same port.
class Listener {
public:
    Listener()
    {
        m_server.listen(QHostAddress::LocalHost);
        m_port = m_server.serverPort();
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return m_port; }
    void goAway()
    {
        m_server.close();
        for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
            socket->abort();
    }
    void comeBack()
    {
        if (!m_server.isListening())
            m_server.listen(QHostAddress::LocalHost, m_port);
    }

private:
    QTcpServer m_server;
    quint16 m_port = 0;
};

// The stalls over 30 ms in the soak, the longest first, each with what the run did in the three
// seconds before it began; a stall that follows nothing the run did is the application's own
// timers (the stats poll, the decoder's output) or the machine.
void printStalls(const GapMeter& gaps, qint64 fromNs,
                 const std::vector<std::pair<qint64, const char*>>& events)
{
    std::vector<GapMeter::Gap> stalls;
    for (const GapMeter::Gap& gap : gaps.keptGaps()) {
        if (gap.endedNs - gap.lengthNs >= fromNs)
            stalls.push_back(gap);
    }
    const auto over = [&](qint64 ms) {
        return std::count_if(stalls.begin(), stalls.end(),
                             [&](const GapMeter::Gap& g) { return g.lengthNs > ms * 1'000'000; });
    };
    std::printf("  stalls over 30 ms: %lld, over 50 ms: %lld, over 100 ms: %lld\n", qlonglong(over(30)),
                qlonglong(over(50)), qlonglong(over(100)));
    std::sort(stalls.begin(), stalls.end(),
              [](const GapMeter::Gap& a, const GapMeter::Gap& b) { return a.lengthNs > b.lengthNs; });
    for (size_t i = 0; i < std::min<size_t>(stalls.size(), 15); ++i) {
        const qint64 began = stalls[i].endedNs - stalls[i].lengthNs;
        QStringList before;
        for (const auto& [at, what] : events) {
            if (at <= began + 1'000'000 && at > began - 3'000'000'000)
                before << QStringLiteral("%1 %2 s before")
                              .arg(QLatin1String(what))
                              .arg(double(began - at) / 1e9, 0, 'f', 1);
        }
        std::printf(
            "    at %7.1f s: %5.1f ms  %s\n", double(began - fromNs) / 1e9, double(stalls[i].lengthNs) / 1e6,
            before.isEmpty() ? "(nothing the run did)" : qPrintable(before.join(QStringLiteral("; "))));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <decoder> [seconds] [--check-leaks]\n", argv[0]);
        return 2;
    }
    const QString decoder = QString::fromLocal8Bit(argv[1]);
    int seconds = 3600;
    bool checkLeaks = false;
    for (int i = 2; i < argc; ++i) {
        if (qstrcmp(argv[i], "--check-leaks") == 0)
            checkLeaks = true;
        else
            seconds = std::max(20, std::atoi(argv[i]));
    }
    const int scale = seconds < 600 ? 10 : 1;

    int displayNumber = 150;
    while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(displayNumber)) ||
           QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(displayNumber)))
        ++displayNumber;
    const QByteArray display = ':' + QByteArray::number(displayNumber);
    const pid_t xvfb = spawn({"Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    for (int i = 0; i < 100 && !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(displayNumber)); ++i)
        ::usleep(100'000);
    ::setenv("DISPLAY", display.constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    const pid_t trayer =
        spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32"});
    desktop = {xvfb, trayer};
    if (xvfb <= 0 || trayer <= 0) {
        std::fprintf(stderr, "Xvfb or trayer could not be started\n");
        return 1;
    }
    ::sleep(1);

    int status = 0;
    {
        // Before the application object, which looks for the runtime directory as it starts.
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
        QDir().mkpath(dir.filePath(QStringLiteral("run")));
        QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("run")).toUtf8());
        QDir().mkpath(dir.filePath(QStringLiteral("xdg/VireonFeeder")));
        QApplication qapp(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);

        Listener ingest;
        Listener flaky;
        DocumentServer documents(ingest.port());
        QFile config(dir.filePath(QStringLiteral("xdg/VireonFeeder/config.json")));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral(R"({"station": {"lat": 52.52, "lon": 13.4},
            "vireon": {"uuid": "0123abcd-0000-4000-8000-000000000001"},
            "extraConnectors": [{"id": "flaky", "label": "Flaky", "enabled": true, "host": "127.0.0.1",
                "port": %1, "protocol": "beast_reduce_plus_out", "uuid": null}]})")
                         .arg(flaky.port())
                         .toUtf8());
        config.close();
        QFile scenario(dir.filePath(QStringLiteral("scenario")));
        scenario.open(QIODevice::WriteOnly);
        scenario.write("connect\nwrite-json aircraft=1000 messages=600000 window=60\nrun\n");
        scenario.close();
        qputenv("FAKE_READSB_SCENARIO", scenario.fileName().toUtf8());
        qputenv("FAKE_READSB_RETRY_MS", "1000");

        QSettings defaults(dir.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
        defaults.setValue(QStringLiteral("hasCompletedOnboarding"), true);
        defaults.setValue(QStringLiteral("feedingDesired"), true);
        AppEnvironment env;
        env.defaults = &defaults;
        env.decoderLocator = [decoder] { return std::optional<QString>(decoder); };
        env.remoteUrl = QUrl(documents.url());

        LocationProvider location(std::make_unique<QtLocationService>(), TimeSource::system());
        auto app = std::make_unique<VireonFeederApp>(
            [&location](AppState& state, QWidget* window) {
                return new OnboardingView(state, location, window);
            },
            [](AppState& state, QWidget* window) { return new SettingsView(state, window); }, env);
        app->start();
        AppState& state = app->state();
        const auto feeding = [&] {
            return state.supervisor().vireonConnectorUp() && state.stats().snapshot().aircraftCount == 1000;
        };
        if (!runUntil(feeding, 60'000)) {
            std::fprintf(stderr, "feeding did not begin\n");
            app.reset();
            end(trayer);
            end(xvfb);
            return 1;
        }
        std::printf("tray icon %s; feeding 1,000 aircraft\n",
                    app->hasTray() ? "in the tray" : "MISSING, panel as a window");

        // What the run did and when, to say what each long stall followed.
        GapMeter gaps("warm-up");
        gaps.keepGapsOver(30'000'000);
        std::vector<std::pair<qint64, const char*>> events;
        const auto note = [&](const char* what) { events.emplace_back(gaps.elapsedNs(), what); };

        int kills = 0, flaps = 0, windowCycles = 0, restarts = 0;
        const auto openAndCloseWindows = [&] {
            ++windowCycles;
            note("panel and settings opened");
            app->showPanel();
            app->router().showSettings();
            QTimer::singleShot(2000, app.get(), [&] {
                note("panel and settings closed");
                app->panel().close();
                if (QWidget* settings = app->router().settingsWindow())
                    settings->close();
            });
        };
        // Each kind of event once before the first reading, so what is made once and kept (fonts,
        // window resources, the first network request's machinery) is not counted as growth.
        openAndCloseWindows();
        runFor(10'000);
        const Figures atStart = figures();

        QTimer kill, flap, windows, restart;
        QObject::connect(&kill, &QTimer::timeout, [&] {
            for (const ChildProcesses::Child& child : ChildProcesses::of()) {
                if (!child.zombie && child.name == QLatin1String("fake-readsb")) {
                    note("decoder killed");
                    ::kill(child.pid, SIGKILL);
                    ++kills;
                }
            }
        });
        QObject::connect(&flap, &QTimer::timeout, [&] {
            ++flaps;
            note("network away");
            flaky.goAway();
            QTimer::singleShot(20'000 / scale, [&] {
                note("network back");
                flaky.comeBack();
            });
        });
        QObject::connect(&windows, &QTimer::timeout, openAndCloseWindows);
        const auto stopAndStart = [&] {
            ++restarts;
            QPushButton* startStop = app->panel().content()->startStopButton();
            note("feeding stopped");
            startStop->click(); // stop
            QTimer::singleShot(3000, app.get(), [startStop, &note] {
                note("feeding started");
                startStop->click();
            });
        };
        QObject::connect(&restart, &QTimer::timeout, stopAndStart);
        kill.start(300'000 / scale);
        flap.start(120'000 / scale);
        windows.start(60'000 / scale);
        QTimer::singleShot(150'000 / scale, &restart, [&] {
            restart.start(300'000 / scale);
            stopAndStart();
        });

        gaps.setPhase("soak");
        const qint64 soakStartNs = gaps.elapsedNs();
        std::printf("%d s, every %d s a decoder kill, every %d s a network away for %d s, every %d s the "
                    "panel and settings, every %d s a stop and start:\n",
                    seconds, 300 / scale, 120 / scale, 20 / scale, 60 / scale, 300 / scale);
        print("start", atStart);
        QElapsedTimer clock;
        clock.start();
        std::optional<Figures> afterFive;
        while (clock.elapsed() < seconds * 1000LL) {
            runFor(1000);
            if (!afterFive && clock.elapsed() >= 300'000 / scale) {
                afterFive = figures();
                print(scale == 1 ? "after 5 minutes" : "after 30 s", *afterFive);
            }
        }
        kill.stop();
        flap.stop();
        windows.stop();
        restart.stop();
        gaps.setPhase("settle");
        // The same state as at the start: feeding, the other network there, the windows closed.
        flaky.comeBack();
        if (!app->state().settings().feedingDesired())
            app->panel().content()->startStopButton()->click();
        runUntil(feeding, 60'000);
        runFor(12'000);
        const Figures atEnd = figures();
        print("end", atEnd);
        const qint64 stall = gaps.longestByPhase().count("soak") ? gaps.longestByPhase().at("soak") : 0;
        std::printf("  longest GUI stall %.1f ms; %d decoder kills, %d network drops, %d window cycles, %d "
                    "stops and starts; documents answered: %d good, %d 500, %d never-ending\n",
                    double(stall) / 1e6, kills, flaps, windowCycles, restarts, documents.answered[0],
                    documents.answered[1], documents.answered[2]);
        if (afterFive)
            std::printf("  private memory growth after the first %s: %+.1f MB\n",
                        scale == 1 ? "5 minutes" : "30 s",
                        double(atEnd.privateKb - afterFive->privateKb) / 1024);
        printStalls(gaps, soakStartNs, events);

        app.reset(); // what quitting does
        runFor(500);
        const Figures afterQuit = figures();
        print("after quit", afterQuit);
        if (checkLeaks) {
            QStringList leaks;
            if (atEnd.descriptors != atStart.descriptors)
                leaks
                    << QStringLiteral("descriptors %1 -> %2").arg(atStart.descriptors).arg(atEnd.descriptors);
            if (atEnd.children != atStart.children)
                leaks << QStringLiteral("children %1 -> %2").arg(atStart.children).arg(atEnd.children);
            if (atEnd.zombies + afterQuit.zombies > 0)
                leaks << QStringLiteral("zombies left");
            if (afterQuit.children > 0)
                leaks << QStringLiteral("%1 child processes left after quit").arg(afterQuit.children);
            if (!leaks.isEmpty()) {
                std::fprintf(stderr, "leaks: %s\n", qPrintable(leaks.join(QStringLiteral("; "))));
                status = 1;
            } else {
                std::printf("no leaks: descriptors, children and zombies as at the start\n");
            }
        }
    }
    end(trayer);
    end(xvfb);
    return status;
}
