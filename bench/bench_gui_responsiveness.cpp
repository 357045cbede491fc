// How long the GUI thread goes without turning its event loop while the engine starts, launches the
// decoder, asks for the idle-sleep lock, stops, launches again and shuts down; and how many changes
// the application state announces for one launch. A 1 ms repeating timer stands for the user's
// clicks and redraws: the longest gap between two of its ticks is the longest the user would wait.
//
// usage: bench_gui_responsiveness <decoder> [runs, default 5]
// Each run is made twice: with no inhibitor service on the bus, and with a desktop portal that takes
// the request and never answers (logind, behind it, grants the lock). Run it with the stand-in
// decoder (build/release/tests/fake-readsb/fake-readsb) on a private bus:
//   dbus-run-session -- sh -c 'DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS
//       build/release/bench/bench_gui_responsiveness build/release/tests/fake-readsb/fake-readsb'
// (one line)

#include "EventLoopGaps.h"
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/SleepAssertion.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbSupervisor.h"
#include "support/FakeInhibitService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>

using namespace vireon;

namespace {

using bench::GapMeter;
using bench::runFor;
using bench::runUntil;

template <class State>
bool in(const AppState& state)
{
    return std::holds_alternative<State>(state.supervisor().state());
}

struct Run {
    std::map<std::string, qint64> longestGapNs;
    int announcementsForOneLaunch = 0;
    bool ok = true;
};

Run runOnce(const QString& decoder, bool silentPortal)
{
    Run run;
    test::FakeInhibitService services;
    if (silentPortal) {
        services.registerPortal();
        services.registerLogind();
        services.setPortalSilent(true);
    }
    QTemporaryDir dir;
    QTcpServer ingest;
    ingest.listen(QHostAddress::LocalHost);
    QObject::connect(&ingest, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = ingest.nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    });
    const QString configPath = dir.filePath(QStringLiteral("VireonFeeder/config.json"));
    QDir().mkpath(dir.filePath(QStringLiteral("VireonFeeder")));
    QFile config(configPath);
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral(R"({"station":{"lat":52.52,"lon":13.4},
        "vireon":{"uuid":"0123abcd-0000-4000-8000-000000000001","host":"127.0.0.1","port":%1}})")
                     .arg(ingest.serverPort())
                     .toUtf8());
    config.close();

    GapMeter meter;
    QSettings defaults(dir.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    AppSettings settings(defaults);
    settings.setPreventSleepWhileFeeding(true);
    StationConfigStore store(configPath);
    AppEnvironment env;
    env.defaults = &defaults;
    env.decoderLocator = [decoder] { return std::optional<QString>(decoder); };
    env.remoteUrl = QUrl(QStringLiteral("http://127.0.0.1:9/feeder-config.json")); // refused at once
    env.makeLoginItem = nullptr;

    meter.setPhase("construct");
    AppState state(&settings, &store, env);
    runFor(200);

    meter.setPhase("launch");
    int announcements = 0;
    QObject::connect(&state, &AppState::changed, [&] { ++announcements; });
    state.startFeeding();
    run.ok &= runUntil(
        [&] { return state.supervisor().vireonConnectorUp() && !state.sleepAssertion().isPending(); });
    runFor(1500); // the stats poll and anything else the launch sets off
    run.announcementsForOneLaunch = announcements;

    meter.setPhase("stop");
    state.stopFeeding();
    run.ok &= runUntil([&] { return in<supervisor_state::Stopped>(state); });

    meter.setPhase("relaunch");
    state.startFeeding();
    run.ok &= runUntil([&] { return in<supervisor_state::Running>(state); });

    meter.setPhase("shutdown");
    state.shutdown();
    runFor(50);
    run.longestGapNs = meter.longestByPhase();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <decoder> [runs]\n", argv[0]);
        return 2;
    }
    const QString decoder = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    for (const bool silentPortal : {false, true}) {
        std::printf("%s\n", silentPortal ? "a portal that never answers, logind behind it:"
                                         : "no inhibitor service on the bus:");
        std::map<std::string, qint64> worst;
        for (int i = 0; i < runs; ++i) {
            const Run run = runOnce(decoder, silentPortal);
            if (!run.ok) {
                std::fprintf(stderr, "run %d did not reach every step\n", i + 1);
                return 1;
            }
            std::printf("  run %d: %d announcements for one launch\n", i + 1, run.announcementsForOneLaunch);
            for (const auto& [phase, gap] : run.longestGapNs)
                worst[phase] = std::max(worst[phase], gap);
        }
        std::printf("  longest gap of a 1 ms timer, worst of %d runs:\n", runs);
        for (const auto& [phase, gap] : worst)
            std::printf("    %-10s %8.1f ms\n", phase.c_str(), double(gap) / 1e6);
    }
    return 0;
}
