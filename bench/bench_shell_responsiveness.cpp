// How long the GUI thread goes without turning its event loop while the whole application starts,
// opens its panel and each window, launches the decoder from the panel, stops it, launches again and
// quits while feeding. A 1 ms repeating timer stands for the user's clicks and redraws: the longest
// gap between two of its ticks is the longest the user would wait.
//
// usage: bench_shell_responsiveness <decoder> [runs, default 5]
// Run it offscreen with the stand-in decoder:
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_shell_responsiveness
//       build/release/tests/fake-readsb/fake-readsb

#include "EventLoopGaps.h"
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "decoder/ReadsbSupervisor.h"
#include "location/LocationProvider.h"
#include "platform/QtLocationService.h"
#include "platform/TimeSource.h"
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
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

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
    bool ok = true;
};

Run runOnce(const QString& decoder)
{
    Run run;
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    QTcpServer ingest;
    ingest.listen(QHostAddress::LocalHost);
    QObject::connect(&ingest, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = ingest.nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    });
    QDir().mkpath(dir.filePath(QStringLiteral("xdg/VireonFeeder")));
    QFile config(dir.filePath(QStringLiteral("xdg/VireonFeeder/config.json")));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral(R"({"station":{"lat":52.52,"lon":13.4},
        "vireon":{"uuid":"0123abcd-0000-4000-8000-000000000001","host":"127.0.0.1","port":%1}})")
                     .arg(ingest.serverPort())
                     .toUtf8());
    config.close();

    QSettings defaults(dir.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    defaults.setValue(QStringLiteral("hasCompletedOnboarding"), true);
    AppEnvironment env;
    env.defaults = &defaults;
    env.decoderLocator = [decoder] { return std::optional<QString>(decoder); };
    env.remoteUrl = QUrl(QStringLiteral("http://127.0.0.1:9/feeder-config.json")); // refused at once

    GapMeter meter("idle");
    runFor(50);
    meter.setPhase("start");
    LocationProvider location(std::make_unique<QtLocationService>(), TimeSource::system());
    auto app = std::make_unique<VireonFeederApp>(
        [&location](AppState& state, QWidget* window) { return new OnboardingView(state, location, window); },
        [](AppState& state, QWidget* window) { return new SettingsView(state, window); }, env);
    app->start();
    runFor(300);

    meter.setPhase("panel");
    app->showPanel();
    runFor(300);
    meter.setPhase("settings");
    app->router().showSettings();
    runFor(300);
    meter.setPhase("onboarding");
    app->router().showOnboarding();
    runFor(300);

    AppState& state = app->state();
    QPushButton* startStop = app->panel().content()->startStopButton();
    meter.setPhase("launch");
    startStop->click();
    run.ok &= runUntil([&] { return state.supervisor().vireonConnectorUp(); });
    runFor(1000);

    meter.setPhase("stop");
    startStop->click();
    run.ok &= runUntil([&] { return in<supervisor_state::Stopped>(state); });

    meter.setPhase("relaunch");
    startStop->click();
    run.ok &= runUntil([&] { return in<supervisor_state::Running>(state); });
    runFor(300);

    meter.setPhase("quit");
    app.reset(); // what aboutToQuit does: the decoder is stopped before the process goes
    runFor(50);
    run.longestGapNs = meter.longestByPhase();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <decoder> [runs]\n", argv[0]);
        return 2;
    }
    const QString decoder = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    std::map<std::string, qint64> worst;
    for (int i = 0; i < runs; ++i) {
        const Run run = runOnce(decoder);
        if (!run.ok) {
            std::fprintf(stderr, "run %d did not reach every step\n", i + 1);
            return 1;
        }
        for (const auto& [phase, gap] : run.longestGapNs)
            worst[phase] = std::max(worst[phase], gap);
    }
    std::printf("longest gap of a 1 ms timer, worst of %d runs:\n", runs);
    for (const auto& [phase, gap] : worst)
        std::printf("  %-10s %8.1f ms\n", phase.c_str(), double(gap) / 1e6);
    return 0;
}
