// A decoder gone mad on standard error: the stand-in writes 50,000 lines a second at the supervisor,
// in three phases of equal length (plain text, lines with NUL bytes, lines that are not UTF-8), then
// a fourth of 500 lines a second of 60,000 characters each. Shows the longest the GUI thread goes
// without turning its event loop in each phase, how many lines arrived, and the resident and private
// memory before and after each phase: the log ring bounds what is kept, in lines and in characters.
// The gaps include whatever else the machine runs; the cost of one read of the pipe, measured alone
// at the end, is what the application itself adds.
//
// usage: bench_stderr_flood <decoder> [seconds, default 60] [lines a second, default 50000]
//   build/release/bench/bench_stderr_flood build/release/tests/fake-readsb/fake-readsb 60

#include "EventLoopGaps.h"
#include "ProcFiles.h"
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
    const QByteArray status = bench::readProc(QStringLiteral("self"), "status");
    return {bench::procField(status, "VmRSS:"), bench::procField(status, "RssAnon:")};
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
                                  "flood %3/s %2 long line # %4\n"
                                  "stderr phase-end long\n"
                                  "run\n")
                       .arg(rate)
                       .arg(phase)
                       .arg(std::min(rate, 500))
                       .arg(QString(60'000, u'x'))
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
    bool ok = true;
    std::vector<std::pair<const char*, Memory>> after;
    for (const char* name : {"plain", "nul", "invalid", "long"}) {
        gaps.setPhase(name);
        ok = ok && runUntil([&] { return saw((QByteArray("phase-end ") + name).constData()); },
                            (phase + 30) * 1000);
        after.emplace_back(name, memory());
    }
    gaps.setPhase("end");
    qsizetype loggedCharacters = 0;
    for (const QString& line : supervisor.logBuffer().lines())
        loggedCharacters += line.size();
    const qsizetype loggedLines = supervisor.logBuffer().lines().size();
    supervisor.stopAndWait();

    std::printf("%d lines a second for %d s in each of three phases, then %d long lines a second for %d s\n",
                rate, phase, std::min(rate, 500), phase);
    std::printf("longest gap of a 1 ms timer, and memory after each phase (before: resident %lld kB, "
                "private %lld kB):\n",
                before.rssKb, before.anonKb);
    for (const auto& [name, memory] : after) {
        const auto gap = gaps.longestByPhase().find(name);
        std::printf("  %-8s %8.1f ms   resident %7lld kB  private %7lld kB\n", name,
                    gap == gaps.longestByPhase().end() ? 0.0 : double(gap->second) / 1e6, memory.rssKb,
                    memory.anonKb);
    }
    std::printf("log ring: %lld lines of at most %lld, %lld characters of at most %lld\n",
                qint64(loggedLines), ReadsbSupervisor::logCapacity, qint64(loggedCharacters),
                qint64(LogRingBuffer::defaultCharacterBudget));
    if (!ok) {
        std::fprintf(stderr, "the flood did not get through every phase\n");
        return 1;
    }
    chunkCosts();
    return 0;
}
