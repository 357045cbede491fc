// One stats poll (read and decode aircraft.json and stats.json) against decoder files of 10 to
// 10,000 aircraft, next to Python's json.load on the same aircraft file and Qt's document parser
// as reference points. Run from a release build: build/release/bench/bench_stats_poll
#include "stats/StatsReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using vireon::AircraftPosition;
using vireon::StatsReader;

namespace {

// A fully tracked ADS-B aircraft as the decoder writes it, about 600 bytes; values vary per
// aircraft so no two entries are byte-identical.
QByteArray aircraftEntry(int i)
{
    const double lat = 50.0 + (i % 400) * 0.01237;
    const double lon = 2.0 + (i % 700) * 0.00913;
    return QStringLiteral(
               R"({"hex":"%1","type":"adsb_icao","flight":"KLM%2  ","alt_baro":%3,"alt_geom":%4,"gs":%5,)"
               R"("ias":262,"tas":470,"mach":0.792,"track":%6,)"
               R"("mag_heading":268.42,"true_heading":270.11,"baro_rate":-64,)"
               R"("geom_rate":-32,"squawk":"%7","emergency":"none","category":"A3","nav_qnh":1013.6,)"
               R"("nav_altitude_mcp":38016,"nav_heading":267.19,"lat":%8,"lon":%9,"nic":8,"rc":186,)"
               R"("seen_pos":3.681,"r_dst":346.916,"r_dir":271.2,"version":2,"nic_baro":1,"nac_p":9,)"
               R"("nac_v":1,"sil":3,"sil_type":"perhour","gva":2,"sda":2,"alert":0,"spi":0,"mlat":[],)"
               R"("tisb":[],"messages":%10,"seen":0.3,"rssi":-21.4})")
        .arg(0x400000 + i, 6, 16, QLatin1Char('0'))
        .arg(1000 + i % 9000)
        .arg(1000 + (i * 25) % 40000)
        .arg(1100 + (i * 25) % 40000)
        .arg(120.0 + (i % 350), 0, 'f', 1)
        .arg((i * 7) % 360 + 0.19, 0, 'f', 2)
        .arg(1000 + i % 6777)
        .arg(lat, 0, 'f', 6)
        .arg(lon, 0, 'f', 6)
        .arg(100 + i * 13)
        .toUtf8();
}

QByteArray aircraftFile(int count)
{
    QByteArray bytes = "{ \"now\" : 1796585296.001,\n  \"messages\" : 1834721,\n  \"aircraft\" : [\n";
    for (int i = 0; i < count; ++i) {
        bytes += aircraftEntry(i);
        bytes += i + 1 < count ? ",\n" : "\n";
    }
    bytes += "  ]\n}\n";
    return bytes;
}

// The shape of the decoder's stats file: several windows full of counters, about 4 KB.
QByteArray statsFile()
{
    const QByteArray counters =
        R"("messages_valid": 71234,"position_count_total": 8811,"position_count_by_type": {"adsb_icao": 8700,)"
        R"("adsb_icao_nt": 0,"adsr_icao": 0,"tisb_icao": 0,"adsc": 0,"mlat": 111,"other": 0,"mode_s": 0},)"
        R"("remote":{"modeac":0,"modes":0,"basestation": 0,"bad":0,"unknown_icao":0,"accepted":[0,0],)"
        R"("bytes_in": 0,"bytes_out": 96},"cpr":{"surface":0,"airborne":4411,"global_ok":4301,"global_bad":0,)"
        R"("local_ok":110,"filtered":0},"cpu":{"demod":3120,"reader":410,"background":4,"aircraft_json":7},)"
        R"("tracks":{"all":188,"single_message":41},"messages":71234,"max_distance":401233)";
    QByteArray bytes =
        "{ \"now\" : 1796585296.0,\n\"aircraft_with_pos\": 120, \"aircraft_without_pos\": 40,\n";
    for (const char* window : {"last1min", "last5min", "last15min", "total"})
        bytes += QByteArray("\"") + window + "\":{\"start\":1796585236.0,\"end\":1796585296.0," + counters +
                 "},\n";
    bytes += "\"latest\":{\"start\":1796585286.0,\"end\":1796585296.0}\n}\n";
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Median and fastest of `runs` timings of `work`, in milliseconds.
std::pair<double, double> measure(int runs, const std::function<void()>& work)
{
    work(); // warm the page cache and the allocator
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

// Python's json.load on the same file, timed inside the interpreter so its start-up is left out.
double pythonMedianMs(const QString& path, int runs)
{
    const QString script = QStringLiteral("import json, sys, time\n"
                                          "path, runs = sys.argv[1], int(sys.argv[2])\n"
                                          "json.load(open(path))\n"
                                          "times = []\n"
                                          "for _ in range(runs):\n"
                                          "    t = time.perf_counter()\n"
                                          "    with open(path) as f: json.load(f)\n"
                                          "    times.append((time.perf_counter() - t) * 1000)\n"
                                          "times.sort()\n"
                                          "print(times[len(times) // 2])\n");
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, path, QString::number(runs)});
    if (!python.waitForFinished(300000) || python.exitCode() != 0)
        return -1;
    bool ok = false;
    const double ms = python.readAllStandardOutput().trimmed().toDouble(&ok);
    return ok ? ms : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !writeFile(dir.filePath(QStringLiteral("stats.json")), statsFile())) {
        std::fprintf(stderr, "cannot prepare a temporary directory\n");
        return 1;
    }

    std::printf("%9s %9s %8s | %11s %11s %13s | %15s | %12s %14s\n", "aircraft", "file KB", "B/entry",
                "poll median", "poll min", "poll µs/entry", "+positions med", "json.load", "QJsonDocument");
    for (const int count : {10, 100, 1000, 10000}) {
        const QByteArray bytes = aircraftFile(count);
        const QString path = dir.filePath(QStringLiteral("aircraft.json"));
        if (!writeFile(path, bytes)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        const int runs = count >= 10000 ? 30 : count >= 1000 ? 200 : 1000;

        StatsReader::Snapshot snapshot;
        const auto [pollMedian, pollMin] =
            measure(runs, [&] { snapshot = StatsReader::readSnapshot(dir.path()); });
        QList<AircraftPosition> positions;
        const double positionsMedian =
            measure(runs, [&] { snapshot = StatsReader::readSnapshot(dir.path(), &positions); }).first;
        if (snapshot.aircraftCount != count || snapshot.messageRate <= 0 || positions.size() != count) {
            std::fprintf(stderr, "poll read %lld aircraft at %.1f msg/s, expected %d\n",
                         static_cast<long long>(snapshot.aircraftCount), snapshot.messageRate, count);
            return 1;
        }
        qsizetype qtCount = 0;
        const auto qtMedian =
            measure(std::max(runs / 10, 10), [&] {
                qtCount = QJsonDocument::fromJson(bytes).object().value("aircraft").toArray().size();
            }).first;
        if (qtCount != count)
            return 1;
        const double pythonMs = pythonMedianMs(path, std::max(runs / 10, 10));

        std::printf("%9d %9.1f %8lld | %8.3f ms %8.3f ms %13.3f | %12.3f ms | %9.3f ms %11.3f ms\n", count,
                    bytes.size() / 1024.0, static_cast<long long>(bytes.size() / count), pollMedian, pollMin,
                    pollMedian * 1000.0 / count, positionsMedian, pythonMs, qtMedian);
    }
    std::printf("(poll = read and decode both files from disk; +positions = the same with every aircraft's "
                "position, read once a minute; json.load and QJsonDocument parse only the "
                "aircraft file, from disk and from memory respectively; medians)\n");

    // What a crash, a full disk or a stray command may leave in the aircraft file's place: the poll
    // stays bounded, and the figures read as absent.
    std::printf("\n%-44s | %11s | %s\n", "aircraft.json", "poll median", "aircraft read");
    const QString path = dir.filePath(QStringLiteral("aircraft.json"));
    const QByteArray big = aircraftFile(10000);
    // About 600 bytes an aircraft: as many as fit under the reader's limit.
    const int mostAircraft = int(StatsReader::maxFileBytes / 610);
    const QByteArray underLimit = aircraftFile(mostAircraft);
    const struct {
        const char* name;
        std::function<bool()> make;
    } faults[] = {
        {"10,000 aircraft cut off mid-write", [&] { return writeFile(path, big.left(big.size() / 2)); }},
        {"a directory", [&] { return QFile::remove(path) && QDir().mkdir(path); }},
        {"100 MB (sparse)",
         [&] { return QDir().rmdir(path) && writeFile(path, big) && QFile(path).resize(100 * 1024 * 1024); }},
        {"the largest file read, whole", [&] { return writeFile(path, underLimit); }},
    };
    for (const auto& fault : faults) {
        if (!fault.make()) {
            std::fprintf(stderr, "cannot make %s\n", fault.name);
            return 1;
        }
        StatsReader::Snapshot snapshot;
        const double median = measure(10, [&] { snapshot = StatsReader::readSnapshot(dir.path()); }).first;
        std::printf("%-44s | %8.3f ms | %lld\n", fault.name, median,
                    static_cast<long long>(snapshot.aircraftCount));
    }
    return 0;
}
