// Throughput of the decoder-output line handling (split, log, classify) on realistic standard-error
// traffic, with 1 and 5 watched connections, and its growth from 1x to 10x the input.
// usage: bench_decoder_lines [lines, default 200000]

#include "decoder/DecoderOutputClassifier.h"
#include "decoder/LogRingBuffer.h"

#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>

using namespace vireon;

namespace {

// Shapes taken from the real decoder's transcripts; %1 is a connection's host.
const char* const connectionLines[] = {
    "BeastReduce TCP output: Attempting connection to %1 port 30004 ...",
    "BeastReduce TCP output: Connection to %1 port 30004 failed (3): 111 (Connection refused)",
    "BeastReduce TCP output: Connection established: %1 port 30004",
    "BeastReduce TCP output: Remote server disconnected: %1 port 30004 (fd 9, SendQ 0, RecvQ 0)",
    "BeastReduce TCP output: Connection to %1 port 30004 timed out.",
    "BeastReduce TCP output: Connection to %1 port 30004 failed 10 times, suppressing most error messages "
    "until "
    "connection succeeds",
};
const char* const otherLines[] = {
    "[2026-12-06 19:25:05.090 UTC] readsb starting up.",
    "readsb version: 3.14.1642 compiled on 261206",
    "Using lat: 52.520008, lon: 13.404954",
    "39005: Beast TCP output port          ",
    "[2026-12-06 19:25:14.129 UTC] Caught SIGTERM, shutting down...",
    "[2026-12-06 19:25:14.140 UTC] Normal exit. uptime:  0d  0h  0m 9.051s",
};

QList<MonitoredConnector> connectors(int count)
{
    QList<MonitoredConnector> list;
    for (int i = 0; i < count; ++i) {
        const QString host =
            i == 0 ? QStringLiteral("feed.vireon.network") : QStringLiteral("ingest%1.example.org").arg(i);
        list.append(
            {i == 0 ? QStringLiteral("vireon") : QStringLiteral("net%1").arg(i), host, host, 30004, i == 0});
    }
    return list;
}

QByteArray input(const QList<MonitoredConnector>& watched, qint64 lines)
{
    QByteArray bytes;
    for (qint64 i = 0; i < lines; ++i) {
        // Two connection lines for every other line, spread over the watched hosts.
        if (i % 3 == 2) {
            bytes += otherLines[(i / 3) % std::size(otherLines)];
        } else {
            const qint64 k = i - i / 3;
            bytes += QString::fromLatin1(connectionLines[k % std::size(connectionLines)])
                         .arg(watched[k % watched.size()].host)
                         .toLatin1();
        }
        bytes += '\n';
    }
    return bytes;
}

// Best of three runs, in seconds; pipe-sized chunks as the supervisor reads them.
double timeToHandle(const QList<MonitoredConnector>& watched, const QByteArray& bytes)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        LogRingBuffer log(500);
        DecoderOutputClassifier classifier(log);
        classifier.setConnectors(watched);
        classifier.resetHealth();
        QElapsedTimer timer;
        timer.start();
        for (qsizetype at = 0; at < bytes.size(); at += 4096)
            classifier.feed(QByteArrayView(bytes).sliced(at, std::min<qsizetype>(4096, bytes.size() - at)));
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
        if (log.lines().size() != 500)
            std::fprintf(stderr, "unexpected log size %lld\n", qlonglong(log.lines().size()));
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const qint64 lines = argc > 1 ? std::atoll(argv[1]) : 200000;
    std::printf("%-12s %12s %14s %12s %14s %8s\n", "connections", "lines", "lines/s", "10x lines",
                "10x time (s)", "ratio");
    for (const int count : {1, 5}) {
        const QList<MonitoredConnector> watched = connectors(count);
        const QByteArray once = input(watched, lines);
        const QByteArray tenfold = input(watched, lines * 10);
        const double t1 = timeToHandle(watched, once);
        const double t10 = timeToHandle(watched, tenfold);
        std::printf("%-12d %12lld %14.0f %12lld %14.3f %8.2f\n", count, qlonglong(lines), double(lines) / t1,
                    qlonglong(lines * 10), t10, t10 / t1);
    }
    return 0;
}
