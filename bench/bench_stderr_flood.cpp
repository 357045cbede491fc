// A decoder gone mad on standard error: the stand-in writes 50,000 lines a second at the supervisor,
// in three phases of equal length (plain text, lines with NUL bytes, lines that are not UTF-8). Shows
// the longest the GUI thread goes without turning its event loop in each phase, how many lines
// arrived, and the resident and private memory before and after: the log ring bounds what is kept.
// The gaps include whatever else the machine runs; the cost of one read of the pipe, measured alone
// at the end, is what the application itself adds.
//
// usage: bench_stderr_flood <decoder> [seconds, default 60] [lines a second, default 50000]
//   build/release/bench/bench_stderr_flood build/release/tests/fake-readsb/fake-readsb 60

#include "EventLoopGaps.h"
#include "decoder/DecoderOutputClassifier.h"
#include "decoder/ReadsbSupervisor.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace vireon;

namespace {

using bench::GapMeter;
using bench::runUntil;

struct Memory {
    qint64 rssKb = 0;
    qint64 anonKb = 0;
};

Memory memory()
{
    Memory out;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                out.rssKb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
            if (line.startsWith("RssAnon:"))
                out.anonKb = line.mid(8).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return out;
}

// What one read of the pipe costs the GUI thread, apart from whatever else runs on the machine: the
// supervisor is handed at most what the pipe holds (64 KiB on Linux) per event-loop turn.
void chunkCosts()
{
    const struct {
        const char* name;
        QByteArray line;
    } kinds[] = {
        {"plain", "[2026-12-06 19:25:05.090 UTC] plain line 123456 of the flood\n"},
        {"nul", QByteArrayLiteral("line 123456 with a NUL \0 in the middle\n")},
        {"invalid", "line 123456 \xff\xfe that is not UTF-8\n"},
        {"connection", "BeastReduce TCP output: Connection to feed.vireon.network port 30004 failed (3): 111 "
                       "(Connection refused)\n"},
    };
    std::printf("one 64 KiB read handed to the line classifier (200 reads each):\n");
    for (const auto& kind : kinds) {
        QByteArray chunk;
        while (chunk.size() + kind.line.size() <= 64 * 1024)
            chunk += kind.line;
        LogRingBuffer log(ReadsbSupervisor::logCapacity);
        DecoderOutputClassifier classifier(log);
        classifier.setConnectors({{QStringLiteral("vireon"), QStringLiteral("Vireon"),
                                   QStringLiteral("feed.vireon.network"), 30004, true},
                                  {QStringLiteral("other"), QStringLiteral("Other"),
                                   QStringLiteral("feed.adsb.lol"), 30004, false}});
        std::vector<double> times;
        for (int i = 0; i < 200; ++i) {
            const auto start = std::chrono::steady_clock::now();
            classifier.feed(chunk);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        std::printf("  %-10s %5lld lines: median %6.2f ms, worst %6.2f ms\n", kind.name,
                    qlonglong(chunk.count('\n')), times[times.size() / 2], times.back());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <decoder> [seconds] [lines a second]\n", argv[0]);
        return 2;
    }
    const QString decoder = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? std::max(3, std::atoi(argv[2])) : 60;
    const int rate = argc > 3 ? std::max(100, std::atoi(argv[3])) : 50'000;
    const int phase = std::max(1, seconds / 3);

    QTemporaryDir dir;
    QFile scenario(dir.filePath(QStringLiteral("scenario")));
    scenario.open(QIODevice::WriteOnly);
    // Each phase ends with a marker line, so the bench knows when the supervisor has read it all.
    scenario.write(QStringLiteral("flood %1/s %2 [2026-12-06 19:25:05.090 UTC] plain line # of the flood\n"
                                  "stderr phase-end plain\n"
                                  "flood %1/s %2 line # with a NUL \\x00 in the middle\n"
                                  "stderr phase-end nul\n"
                                  "flood %1/s %2 line # \\xff\\xfe that is not UTF-8\n"
                                  "stderr phase-end invalid\n"
                                  "run\n")
                       .arg(rate)
                       .arg(phase)
                       .toUtf8());
    scenario.close();
    qputenv("FAKE_READSB_SCENARIO", scenario.fileName().toUtf8());

    ReadsbSupervisor supervisor(TimeSource::system());
    supervisor.setBinaryLocator([decoder] { return std::optional<QString>(decoder); });
    const auto saw = [&](const char* marker) {
        return supervisor.logBuffer().lines().contains(QLatin1String(marker));
    };

    const Memory before = memory();
    GapMeter gaps("plain");
    supervisor.start({QStringLiteral("--net")}, {});
    bool ok = runUntil([&] { return saw("phase-end plain"); }, (phase + 30) * 1000);
    gaps.setPhase("nul");
    ok = ok && runUntil([&] { return saw("phase-end nul"); }, (phase + 30) * 1000);
    gaps.setPhase("invalid");
    ok = ok && runUntil([&] { return saw("phase-end invalid"); }, (phase + 30) * 1000);
    gaps.setPhase("end");
    const Memory after = memory();
    supervisor.stopAndWait();

    std::printf("%d lines a second for %d s in each of three phases (%d lines in all)\n", rate, phase,
                3 * rate * phase);
    std::printf("longest gap of a 1 ms timer:\n");
    for (const auto& [name, gap] : gaps.longestByPhase()) {
        if (name != "end")
            std::printf("  %-8s %8.1f ms\n", name.c_str(), double(gap) / 1e6);
    }
    std::printf("log ring: %lld lines of at most %lld\n", qint64(supervisor.logBuffer().lines().size()),
                ReadsbSupervisor::logCapacity);
    std::printf("resident memory: %lld kB before, %lld kB after; private: %lld kB before, %lld kB after\n",
                before.rssKb, after.rssKb, before.anonKb, after.anonKb);
    if (!ok) {
        std::fprintf(stderr, "the flood did not get through every phase\n");
        return 1;
    }
    chunkCosts();
    return 0;
}
