// What mlat-client costs per network and how fast it goes at quit: two real clients, run by the
// supervisor with the command lines two networks get, connected to an MLAT server of ours on
// 127.0.0.1 that accepts them, sends a heartbeat every 20 s and its figures every minute. The
// decoder's Beast output stands in as a listener that sends each client made-up traffic from the
// given number of aircraft, ten rounds a second (each aircraft's position and call sign), or nothing
// at all with 0 aircraft: the client's own floor. Memory (RSS and PSS) and CPU are read from /proc
// every 5 s; then the quit (SIGTERM to both, wait) is timed, once after the long run and in a few
// short rounds.
//
// usage: bench_mlat_clients <mlat-client> [seconds, default 300] [quit rounds, default 5]
//                           [aircraft, default 0]
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_mlat_clients build/release/bin/mlat-client

#include "EventLoopGaps.h"
#include "ProcFiles.h"
#include "decoder/MlatCommand.h"
#include "decoder/MlatSupervisor.h"
#include "support/BeastGenerator.h"
#include "support/MlatTestServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

using namespace vireon;
using namespace std::chrono_literals;
using bench::cpuTicks;
using bench::procField;
using bench::readProc;
using bench::runFor;
using bench::runUntil;

namespace {

struct Sample {
    qint64 rssKb = 0;
    qint64 pssKb = 0;
    qint64 cpuTicks = 0;
};

Sample sample(qint64 pid)
{
    Sample s;
    const QString process = QString::number(pid);
    s.rssKb = procField(readProc(process, "status"), "VmRSS:");
    s.pssKb = procField(readProc(process, "smaps_rollup"), "Pss:");
    s.cpuTicks = cpuTicks(process);
    return s;
}

QList<qint64> clientPids(const MlatSupervisor& supervisor)
{
    QList<qint64> pids;
    for (QProcess* process : supervisor.findChildren<QProcess*>()) {
        if (process->state() == QProcess::Running)
            pids.append(process->processId());
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

bool allConnected(const MlatSupervisor& supervisor)
{
    const QList<MlatClientStatus> clients = supervisor.clients();
    return !clients.isEmpty() && std::all_of(clients.begin(), clients.end(), [](const MlatClientStatus& c) {
        return c.link.phase == MlatLink::Phase::connected;
    });
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_mlat_clients <mlat-client> [seconds] [quit rounds]\n");
        return 2;
    }
    const QString program = args.at(1);
    const int seconds = args.size() > 2 ? args.at(2).toInt() : 300;
    const int rounds = args.size() > 3 ? args.at(3).toInt() : 5;
    const int aircraft = args.size() > 4 ? args.at(4).toInt() : 0;

    QTemporaryDir dir;
    QTcpServer beast;
    test::MlatTestServer server;
    if (!beast.listen(QHostAddress::LocalHost) || !server.listen())
        return 1;
    QList<QPointer<QTcpSocket>> readers;
    qint64 sentBytes = 0;
    QObject::connect(&beast, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = beast.nextPendingConnection())
            readers.append(socket);
    });
    test::BeastGenerator traffic(52.52, 13.4, std::max(aircraft, 1));
    QTimer air;
    QObject::connect(&air, &QTimer::timeout, [&] {
        const QByteArray round = traffic.round();
        for (const QPointer<QTcpSocket>& socket : std::as_const(readers)) {
            if (socket && socket->state() == QAbstractSocket::ConnectedState)
                sentBytes += socket->write(round);
        }
    });
    if (aircraft > 0)
        air.start(100);

    StationConfig config;
    config.station = {QStringLiteral("Bench"), 52.52345, 13.40512, QStringLiteral("auto"), 48.0};
    config.vireon.uuid = QStringLiteral("0123abcd-0000-4000-8000-0000000000b1");
    config.localOutputs.beastPort = beast.serverPort();
    StationConfig::ExtraConnector other{QStringLiteral("other"),
                                        QStringLiteral("Other"),
                                        true,
                                        QStringLiteral("127.0.0.1"),
                                        30004,
                                        QStringLiteral("beast_reduce_plus_out"),
                                        QStringLiteral("0123abcd-0000-4000-8000-0000000000b2")};
    other.mlatServer = FeederConfig::MlatServer{QStringLiteral("127.0.0.1"), server.port()};
    config.extraConnectors = {other};
    FeederConfig remote = FeederConfig::fallback();
    remote.presets = QList<FeederConfig::Preset>{};
    remote.ingest.mlat = FeederConfig::MlatServer{QStringLiteral("127.0.0.1"), server.port()};
    const QList<MlatCommand::Client> clients = MlatCommand::clients(config, remote, dir.path());

    MlatSupervisor supervisor;
    supervisor.setBinaryLocator([program] { return std::optional(program); });
    supervisor.start(clients);
    if (!runUntil([&] { return allConnected(supervisor); }, 60000)) {
        std::fprintf(stderr, "the clients did not connect within a minute\n");
        return 1;
    }
    QTimer stats;
    QObject::connect(&stats, &QTimer::timeout, [&] {
        server.sendStats(QJsonObject{{"peer_count", 5}, {"bad_sync_timeout", 0}, {"outlier_percent", 0.5}});
    });
    stats.start(60000);

    const QList<qint64> pids = clientPids(supervisor);
    std::printf("%lld clients running (pids", qlonglong(pids.size()));
    for (qint64 pid : pids)
        std::printf(" %lld", qlonglong(pid));
    std::printf("), %d aircraft, measuring for %d s\n", aircraft, seconds);

    QHash<qint64, Sample> first, last, peak;
    for (qint64 pid : pids)
        first[pid] = peak[pid] = sample(pid);
    QElapsedTimer wall;
    wall.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (qint64 pid : pids) {
            const Sample s = sample(pid);
            last[pid] = s;
            peak[pid].rssKb = std::max(peak[pid].rssKb, s.rssKb);
            peak[pid].pssKb = std::max(peak[pid].pssKb, s.pssKb);
        }
    });
    poll.start(5000);
    runFor(seconds * 1000);
    poll.stop();
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const double ticksPerSecond = double(::sysconf(_SC_CLK_TCK));
    for (qint64 pid : pids) {
        const double cpu = double(last[pid].cpuTicks - first[pid].cpuTicks) / ticksPerSecond;
        std::printf("  pid %lld: RSS %.1f MB (peak %.1f), PSS %.1f MB (peak %.1f), CPU %.2f s in %.0f s = "
                    "%.3f %% of a core (start-up %.2f s)\n",
                    qlonglong(pid), double(last[pid].rssKb) / 1024, double(peak[pid].rssKb) / 1024,
                    double(last[pid].pssKb) / 1024, double(peak[pid].pssKb) / 1024, cpu, elapsed,
                    100.0 * cpu / elapsed, double(first[pid].cpuTicks) / ticksPerSecond);
    }
    const bool stillConnected = allConnected(supervisor);
    std::printf("  both still connected at the end: %s; accepted handshakes: %d; Beast input: %lld "
                "connections, %.1f MB sent\n",
                stillConnected ? "yes" : "no", server.acceptedCount(), qlonglong(readers.size()),
                double(sentBytes) / 1e6);

    QList<qint64> quitMs;
    for (int round = 0; round <= rounds; ++round) {
        if (round > 0) {
            supervisor.start(clients);
            if (!runUntil([&] { return allConnected(supervisor); }, 60000))
                return 1;
        }
        QElapsedTimer quit;
        quit.start();
        supervisor.stopAndWait(5s);
        quitMs.append(quit.elapsed());
        if (!clientPids(supervisor).isEmpty()) {
            std::fprintf(stderr, "a client outlived the quit\n");
            return 1;
        }
    }
    std::printf("  quit with two clients: after the long run %lld ms; %d more rounds:", quitMs.first(),
                rounds);
    for (qsizetype i = 1; i < quitMs.size(); ++i)
        std::printf(" %lld", quitMs.at(i));
    std::printf(" ms\n");
    return 0;
}
