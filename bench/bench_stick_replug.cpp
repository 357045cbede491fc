// How long a stick plugged back in takes to be fed from again: from the moment it appears on USB to
// the moment the decoder is running on it, once when the system tells of the new device (as udev
// does) and once when only the five-second poll finds it (a system without udev). The stick and the
// system's events are stand-ins; the decoder is the stand-in decoder, with its real process start.
//
// usage: bench_stick_replug <stand-in decoder> [rounds, default 5]
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_stick_replug
//   build/release/tests/fake-readsb/fake-readsb

#include "EventLoopGaps.h"
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "decoder/ReadsbSupervisor.h"
#include "platform/DesktopNotifier.h"
#include "support/FakeUsbMonitor.h"
#include "support/FakeUsbTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace vireon;
using bench::runFor;
using bench::runUntil;

namespace {

bool running(const AppState& state)
{
    return std::holds_alternative<supervisor_state::Running>(state.supervisor().state());
}

void report(const char* how, QList<qint64> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  %-32s min %5lld ms  median %5lld ms  max %5lld ms\n", how, ms.first(),
                ms.at(ms.size() / 2), ms.last());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_stick_replug <stand-in decoder> [rounds]\n");
        return 2;
    }
    const QString decoder = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
    QDir().mkpath(dir.filePath(QStringLiteral("xdg/VireonFeeder")));
    QFile config(dir.filePath(QStringLiteral("xdg/VireonFeeder/config.json")));
    config.open(QIODevice::WriteOnly);
    config.write(R"({"station": {"name": "Bench", "lat": 52.5, "lon": 13.4, "gain": "auto"}})");
    config.close();
    test::FakeUsbTree usb;
    const QString stickEntry = QStringLiteral("1-1");
    usb.addDevice(stickEntry, 0x0bda, 0x2838);
    qputenv("FAKE_READSB_STICK", (usb.root() + u'/' + stickEntry).toUtf8());
    // Connected, no files: the stand-in keeps running until the stick goes.
    QFile scenario(dir.filePath(QStringLiteral("scenario")));
    scenario.open(QIODevice::WriteOnly);
    scenario.write("wait-for-file /nonexistent/never\n");
    scenario.close();
    qputenv("FAKE_READSB_SCENARIO", scenario.fileName().toUtf8());

    QSettings defaults(dir.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    QPointer<test::FakeUsbMonitor> events;
    AppEnvironment env;
    env.defaults = &defaults;
    env.decoderLocator = [decoder] { return std::optional<QString>(decoder); };
    env.usbRoot = usb.root();
    env.remoteUrl = QUrl(QStringLiteral("http://127.0.0.1:9/feeder-config.json"));
    env.makeNotifier = [] { return DesktopNotifier::silent(); };
    env.makeUsbMonitor = [&events]() -> std::unique_ptr<UsbMonitor> {
        auto monitor = std::make_unique<test::FakeUsbMonitor>();
        events = monitor.get();
        return monitor;
    };
    AppState state(nullptr, nullptr, env);
    state.startFeeding();
    if (!runUntil([&] { return running(state); })) {
        std::fprintf(stderr, "the decoder did not start\n");
        return 1;
    }

    QList<qint64> told, polled;
    for (int round = 0; round < 2 * rounds; ++round) {
        const bool systemTells = round % 2 == 0;
        usb.removeDevice(stickEntry);
        if (!runUntil([&] { return state.isDeviceRecoveryPolling(); })) {
            std::fprintf(stderr, "the stick's absence was not noticed\n");
            return 1;
        }
        // Plugged in at some moment between two polls, as a person would.
        runFor(int(QRandomGenerator::global()->bounded(5000)));
        QElapsedTimer since;
        since.start();
        usb.addDevice(stickEntry, 0x0bda, 0x2838);
        if (systemTells)
            events->plugged();
        if (!runUntil([&] { return running(state); }, 20'000)) {
            std::fprintf(stderr, "the stick was not taken back\n");
            return 1;
        }
        (systemTells ? told : polled).append(since.elapsed());
    }
    state.shutdown();
    std::printf("from the stick plugged in to the decoder running on it, %d rounds each:\n", rounds);
    report("told by the system (udev)", told);
    report("found by the 5 s poll alone", polled);
    return 0;
}
