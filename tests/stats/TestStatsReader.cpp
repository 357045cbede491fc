#include "stats/StatsReader.h"
#include "support/ManualTimeSource.h"

#include <QSaveFile>
#include <QSignalSpy>
#include <QtTest>
#include <sys/stat.h>

using namespace std::chrono_literals;
using vireon::StatsReader;
using vireon::test::ManualTimeSource;
using Snapshot = StatsReader::Snapshot;
using AircraftFigures = StatsReader::AircraftFigures;

namespace {

// "now" of the real sample and of aircraftWith().
const QDateTime written = QDateTime::fromMSecsSinceEpoch(1796585296001, Qt::UTC);

// A one-minute window of 60 s holding the given message count.
QByteArray statsWith(const char* messages)
{
    return QByteArray(R"({"last1min": {"start": 100, "end": 160, "messages": )") + messages + "}}";
}

QByteArray sample(const char* name)
{
    QFile file(QStringLiteral(VIREON_TEST_DATA_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray aircraftWith(int count)
{
    const QByteArrayList entries(count, R"({"hex":"40621d","seen":0.5})");
    return R"({"now": 1796585296.001, "aircraft": [)" + entries.join(',') + "]}";
}

} // namespace

class TestStatsReader : public QObject {
    Q_OBJECT
private:
    std::optional<QTemporaryDir> m_dir; // a fresh one for each test
    ManualTimeSource m_clock;           // timers die with each test's reader

    // Like the decoder, replaces a file by renaming a finished temporary file over it.
    void write(const QString& name, const QByteArray& bytes, const QString& directory = {})
    {
        QSaveFile file(QDir(directory.isEmpty() ? m_dir->path() : directory).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit());
    }

private Q_SLOTS:
    void init() { m_dir.emplace(); }

    void decodesTheAircraftFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<AircraftFigures>>("expected");
        const auto figures = [](qint64 count, qint64 msecs, QList<vireon::AircraftPosition> positions = {}) {
            return std::optional(
                AircraftFigures{count, QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC), std::move(positions)});
        };
        const std::optional<AircraftFigures> none; // the file is unreadable
        const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');

        QTest::newRow("three empty entries at 100.5 s give three aircraft at 100.5 s")
            << QByteArray(R"({"now": 100.5, "aircraft": [{}, {}, {}]})") << figures(3, 100500);
        QTest::newRow("the real decoder's file: one of its aircraft gave a position")
            << sample("aircraft.json") << figures(3, 1796585296001, {{"40621d", 52.265780, 3.938913}});
        // Only an aircraft's own broadcast position of the last minute counts for where the station is.
        QTest::newRow("positions: own broadcasts of the last minute, whole and in range")
            << QByteArray(R"({"now": 0, "aircraft": [
                   {"hex": "a1", "type": "adsb_icao", "lat": 1.5, "lon": -2, "seen_pos": 59.9},
                   {"hex": "a2", "type": "adsb_icao_nt", "lat": 3, "lon": 4, "seen_pos": 0},
                   {"hex": "m1", "type": "mlat", "lat": 5, "lon": 6, "seen_pos": 1},
                   {"hex": "o1", "type": "adsb_icao", "lat": 7, "lon": 8, "seen_pos": 60},
                   {"hex": "r1", "type": "adsb_icao", "lat": 91, "lon": 8, "seen_pos": 1},
                   {"hex": "s1", "type": "adsb_icao", "lat": "7", "lon": 8, "seen_pos": 1},
                   {"type": "adsb_icao", "lat": 7, "lon": 8, "seen_pos": 1}]})")
            << figures(7, 0, {{"a1", 1.5, -2}, {"a2", 3, 4}});
        QTest::newRow("entries of any shape count, unknown keys are ignored")
            << QByteArray(
                   R"({"messages": 12, "aircraft": [1, "x", null, [], {"a": {"b": [true]}}], "now": 0})")
            << figures(5, 0);
        QTest::newRow("a missing now makes the file unreadable") << QByteArray(R"({"aircraft": []})") << none;
        QTest::newRow("a missing aircraft list is unreadable") << QByteArray(R"({"now": 1})") << none;
        QTest::newRow("aircraft as an object is unreadable")
            << QByteArray(R"({"now": 1, "aircraft": {}})") << none;
        QTest::newRow("a file cut off mid-entry is unreadable") << aircraftWith(3).chopped(20) << none;
        QTest::newRow("anything after the object is unreadable") << aircraftWith(1) + " {}" << none;
        QTest::newRow("a time beyond any calendar is unreadable")
            << QByteArray(R"({"now": 1e300, "aircraft": []})") << none;
        QTest::newRow("nesting beyond the limit is unreadable, not a crash")
            << R"({"now": 1, "aircraft": [)" + deep + "]}" << none;
    }

    void decodesTheAircraftFile()
    {
        QFETCH(QByteArray, bytes);
        QTEST(StatsReader::decodeAircraftFile(bytes), "expected");
    }

    void decodesTheStatsFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<double>>("expected"); // the message rate
        const auto window = [](const QByteArray& members) { return "{\"last1min\": {" + members + "}}"; };
        const auto rate = [](double perSecond) { return std::optional(perSecond); };
        const std::optional<double> none; // the file is unreadable

        // Its window saw no messages: the rate must be a read zero, not an unreadable file.
        QTest::newRow("the real decoder's file") << sample("stats.json") << rate(0);
        QTest::newRow("1200 messages over 60 s are 20 a second") << statsWith("1200") << rate(20);
        QTest::newRow("a fractional count makes the file unreadable") << statsWith("1200.5") << none;
        QTest::newRow("a count beyond 64 bits makes the file unreadable")
            << statsWith("9223372036854775808") << none;
        QTest::newRow("a count as text makes the file unreadable") << statsWith(R"("1200")") << none;
        QTest::newRow("end equal to start divides by one")
            << window(R"("start": 9, "end": 9, "messages": 12)") << rate(12);
        QTest::newRow("no messages key is a rate of zero")
            << window(R"("start": 100, "end": 160)") << rate(0);
        QTest::newRow("a window without end is unreadable")
            << window(R"("start": 100, "messages": 1)") << none;
        QTest::newRow("no last1min is a rate of zero")
            << QByteArray(R"({"now": 1, "last5min": {}})") << rate(0);
    }

    void decodesTheStatsFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<double>, expected);
        const auto figures = StatsReader::decodeStatsFile(bytes);
        QCOMPARE(figures ? std::optional(figures->messageRate) : std::nullopt, expected);
    }

    // What readsb wrote playing back a real recording, cut to what is read; gain 99999.9 means "no
    // tuner", which is no gain to show, and a figure of the wrong kind is simply not given.
    void readsTheReceiversFiguresOfTheLastMinute()
    {
        const QByteArray bytes =
            R"({"now": 1, "gain_db": 99999.9, "estimated_ppm": "x", "aircraft_without_pos": 12,
            "last1min": {"start": 0, "end": 60, "messages_valid": 12960, "max_distance": 214000.5,
              "local": {"samples_dropped": 0, "samples_lost": 40872, "signal": -9.3, "noise": -19.2,
                        "peak_signal": -4.0, "strong_signals": 0, "bad": 3},
              "cpr": {"airborne": 720, "global_ok": 3, "global_bad": 708, "global_range": 705}},
            "last5min": {"start": 0, "end": 300, "messages_valid": 1, "local": {"signal": -1}}})";
        vireon::ReceiverFigures expected;
        expected.messagesValid = 12960;
        expected.maxDistanceMetres = 214000.5;
        expected.signalDbfs = -9.3;
        expected.noiseDbfs = -19.2;
        expected.peakSignalDbfs = -4.0;
        expected.strongSignals = 0;
        expected.samplesDropped = 0;
        expected.samplesLost = 40872;
        expected.positionsDecoded = 3;
        expected.positionsOutOfRange = 705;
        expected.aircraftWithoutPosition = 12;
        QCOMPARE(StatsReader::decodeStatsFile(bytes)->receiver, expected);
        QCOMPARE(StatsReader::decodeStatsFile(R"({"gain_db": 43.9})")->receiver.gainDb, 43.9);
        // Without a stick there is no local block: nothing of the signal is known.
        QVERIFY(!StatsReader::decodeStatsFile(sample("stats.json"))->receiver.signalDbfs);
    }

    void pollsAtStartAndEveryFiveSecondsUntilStopped()
    {
        write("aircraft.json", aircraftWith(2));
        write("stats.json", statsWith("1200"));
        StatsReader reader(m_clock);
        QSignalSpy changed(&reader, &StatsReader::changed);

        reader.start(m_dir->path());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(reader.snapshot(), (Snapshot{2, 20.0, written, {}}));

        write("aircraft.json", aircraftWith(5));
        m_clock.advance(4999ms);
        QCOMPARE(reader.snapshot().aircraftCount, 2);
        m_clock.advance(1ms);
        QCOMPARE(reader.snapshot().aircraftCount, 5);
        QCOMPARE(changed.count(), 2);

        // A steady decoder causes no further announcements, but every poll is a point of the curve.
        m_clock.advance(30s);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(reader.rateHistory(), QList<double>(8, 20.0));

        reader.stop();
        QVERIFY(reader.rateHistory().isEmpty());
        QCOMPARE(reader.snapshot(), Snapshot{});
        QCOMPARE(m_clock.activeTimerCount(), 0);
        reader.stop(); // announces the zero snapshot even when it already is zero
        QCOMPARE(changed.count(), 4);
    }

    void eachFileCountsOnItsOwnAndComesBack()
    {
        write("aircraft.json", aircraftWith(3));
        write("stats.json", statsWith("600"));
        StatsReader reader(m_clock);
        reader.start(m_dir->path());
        QCOMPARE(reader.snapshot(), (Snapshot{3, 10.0, written, {}}));

        QFile::remove(m_dir->filePath("aircraft.json"));
        m_clock.advance(5s);
        QCOMPARE(reader.snapshot(), (Snapshot{0, 10.0, std::nullopt, {}}));

        // A FIFO of the same name would block the poll forever if it were opened.
        write("aircraft.json", aircraftWith(3));
        QFile::remove(m_dir->filePath("stats.json"));
        QVERIFY(::mkfifo(QFile::encodeName(m_dir->filePath("stats.json")).constData(), 0600) == 0);
        m_clock.advance(5s);
        QCOMPARE(reader.snapshot(), (Snapshot{3, 0.0, written, {}}));
    }

    // What a crash, a full disk or a stray command can leave in the aircraft file's place: nothing
    // of it counts, nothing waits on it, and the stats file still does.
    void anAircraftFileTheDecoderCouldNotHaveWrittenReadsAsAbsent_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("cut off mid-write") << "truncated";
        QTest::newRow("a directory in its place") << "directory";
        QTest::newRow("100 MB, far more than any sky holds") << "huge";
        QTest::newRow("100 MB that start as a good file") << "huge-valid-start";
        QTest::newRow("a link to a device that never ends") << "endless";
    }
    void anAircraftFileTheDecoderCouldNotHaveWrittenReadsAsAbsent()
    {
        QFETCH(QString, fault);
        write("stats.json", statsWith("600"));
        const QString path = m_dir->filePath("aircraft.json");
        if (fault == "truncated") {
            write("aircraft.json", aircraftWith(1000).left(4096));
        } else if (fault == "directory") {
            QVERIFY(QDir().mkpath(path));
        } else if (fault == "endless") {
            QVERIFY(QFile::link("/dev/zero", path));
        } else {
            write("aircraft.json", fault == "huge" ? QByteArray() : aircraftWith(1000));
            QFile file(path);
            QVERIFY(file.resize(100 * 1024 * 1024)); // sparse: costs the disk nothing
        }
        StatsReader reader(m_clock);
        reader.start(m_dir->path());
        QCOMPARE(reader.snapshot(), (Snapshot{0, 10.0, std::nullopt, {}}));
        QCOMPARE(reader.updatedAtFirstRead(), std::nullopt);
    }

    // Positions cost a look into every aircraft: read until some are heard, then once a minute.
    void positionsAreReadUntilHeardThenOnceAMinute()
    {
        StatsReader reader(m_clock);
        QSignalSpy heard(&reader, &StatsReader::positionsHeard);
        reader.start(m_dir->path());
        write("aircraft.json", aircraftWith(3));
        m_clock.advance(5s);
        QCOMPARE(heard.count(), 0);

        write("aircraft.json", sample("aircraft.json"));
        m_clock.advance(5s);
        QCOMPARE(heard.count(), 1);
        QCOMPARE(heard.first().first().value<QList<vireon::AircraftPosition>>().size(), 1);
        m_clock.advance(55s);
        QCOMPARE(heard.count(), 1);
        m_clock.advance(5s);
        QCOMPARE(heard.count(), 2);
    }

    void aSecondStartReplacesTheTimer()
    {
        QTemporaryDir other;
        write("aircraft.json", aircraftWith(1));
        write("aircraft.json", aircraftWith(4), other.path());
        StatsReader reader(m_clock);
        reader.start(m_dir->path());
        m_clock.advance(3s);

        reader.start(other.path());
        QCOMPARE(reader.snapshot().aircraftCount, 4);
        QCOMPARE(m_clock.activeTimerCount(), 1);

        // The old cycle would poll two seconds from now; the new one only five seconds after its start.
        write("aircraft.json", aircraftWith(6), other.path());
        m_clock.advance(2s);
        QCOMPARE(reader.snapshot().aircraftCount, 4);
        m_clock.advance(3s);
        QCOMPARE(reader.snapshot().aircraftCount, 6);
    }
};

QTEST_GUILESS_MAIN(TestStatsReader)
#include "TestStatsReader.moc"
