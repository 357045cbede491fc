#include "stats/StatsReader.h"
#include "support/ManualTimeSource.h"

#include <QSignalSpy>
#include <QtTest>
#include <cstdio>
#include <sys/stat.h>

using namespace std::chrono_literals;
using vireon::StatsReader;
using vireon::test::ManualTimeSource;
using Snapshot = StatsReader::Snapshot;
using AircraftFigures = StatsReader::AircraftFigures;

namespace {

QDateTime atMsecs(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

QByteArray statsWith(int messages)
{
    return QStringLiteral(R"({"now": 160, "last1min": {"start": 100, "end": 160, "messages": %1}})")
        .arg(messages)
        .toUtf8();
}

QByteArray aircraftWith(int count, const char* now = "1796585296.001")
{
    QByteArray entries;
    for (int i = 0; i < count; ++i)
        entries += QByteArray(i ? "," : "") + R"({"hex":"40621d","seen":0.5})";
    return QByteArray(R"({"now": )") + now + R"(, "aircraft": [)" + entries + "]}";
}

} // namespace

namespace vireon {
// Lets a failed comparison print both snapshots.
char* toString(const StatsReader::Snapshot& s)
{
    const QString at =
        s.updatedAt ? QString::number(s.updatedAt->toMSecsSinceEpoch()) : QStringLiteral("none");
    return QTest::toString(
        QStringLiteral("{%1 aircraft, %2 msg/s, at %3 ms}").arg(s.aircraftCount).arg(s.messageRate).arg(at));
}
} // namespace vireon

class TestStatsReader : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    void write(const QString& name, const QByteArray& bytes, const QString& directory = {})
    {
        // The decoder replaces its files by renaming a finished temporary file over them.
        const QString path = QDir(directory.isEmpty() ? m_dir.path() : directory).filePath(name);
        QFile file(path + ".tmp");
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        QCOMPARE(
            std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()),
            0);
    }
    void remove(const QString& name) { QFile::remove(m_dir.filePath(name)); }

private Q_SLOTS:
    void init()
    {
        remove("aircraft.json");
        remove("stats.json");
    }

    void decodesTheAircraftFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<AircraftFigures>>("expected");
        const auto figures = [](qint64 count, qint64 msecs) {
            return std::optional<AircraftFigures>(AircraftFigures{count, atMsecs(msecs)});
        };
        const std::optional<AircraftFigures> unreadable;

        QTest::newRow("three empty entries at 100.5 s give three aircraft at 100.5 s")
            << QByteArray(R"({"now": 100.5, "aircraft": [{}, {}, {}]})") << figures(3, 100500);
        QTest::newRow("entries of any shape count, unknown keys are ignored")
            << QByteArray(
                   R"({"messages": 12, "aircraft": [1, "x", null, [], {"a": {"b": [true]}}], "now": 0})")
            << figures(5, 0);
        QTest::newRow("a repeated key counts with its last value")
            << QByteArray(R"({"now": "soon", "aircraft": [], "now": 2, "aircraft": [{}]})")
            << figures(1, 2000);
        QTest::newRow("an escaped key still names now")
            << QByteArray(R"({"n\u006fw": 3, "aircr\u0061ft": []})") << figures(0, 3000);
        QTest::newRow("a missing now makes the file unreadable")
            << QByteArray(R"({"aircraft": []})") << unreadable;
        QTest::newRow("a missing aircraft list makes the file unreadable")
            << QByteArray(R"({"now": 1})") << unreadable;
        QTest::newRow("now as text is the wrong type")
            << QByteArray(R"({"now": "1", "aircraft": []})") << unreadable;
        QTest::newRow("now as null is the wrong type")
            << QByteArray(R"({"now": null, "aircraft": []})") << unreadable;
        QTest::newRow("aircraft as an object is the wrong type")
            << QByteArray(R"({"now": 1, "aircraft": {}})") << unreadable;
        QTest::newRow("a file cut off mid-entry is unreadable") << aircraftWith(3).chopped(20) << unreadable;
        QTest::newRow("anything after the object is unreadable") << aircraftWith(1) + " {}" << unreadable;
        QTest::newRow("an empty file is unreadable") << QByteArray() << unreadable;
        QTest::newRow("a trailing comma is unreadable")
            << QByteArray(R"({"now": 1, "aircraft": [{},]})") << unreadable;
        QTest::newRow("a bad number inside an entry is unreadable")
            << QByteArray(R"({"now": 1, "aircraft": [{"alt": 01}]})") << unreadable;
        QTest::newRow("a raw control character in a string is unreadable")
            << QByteArray("{\"now\": 1, \"aircraft\": [{\"flight\": \"KLM\t1\"}]}") << unreadable;
        QTest::newRow("invalid UTF-8 in a string is unreadable")
            << QByteArray("{\"now\": 1, \"aircraft\": [{\"flight\": \"\xc0\xaf\"}]}") << unreadable;
        QTest::newRow("a time stamp beyond any calendar is unreadable")
            << QByteArray(R"({"now": 1e300, "aircraft": []})") << unreadable;
        QTest::newRow("a time stamp beyond a double is unreadable")
            << QByteArray(R"({"now": -1e999, "aircraft": []})") << unreadable;
        QTest::newRow("nesting deeper than the limit is unreadable, not a crash")
            << QByteArray(R"({"now": 1, "aircraft": [)") + QByteArray(100000, '[') + QByteArray(100000, ']') +
                   "]}"
            << unreadable;
    }

    void decodesTheAircraftFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<AircraftFigures>, expected);
        QCOMPARE(StatsReader::decodeAircraftFile(bytes), expected);
    }

    void decodesTheStatsFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<double>>("expected");
        const auto window = [](const char* members) {
            return QByteArray(R"({"now": 160, "last1min": {)") + members + "}}";
        };
        const std::optional<double> unreadable;

        QTest::newRow("1200 messages over 60 s are 20 a second")
            << window(R"("start": 100, "end": 160, "messages": 1200)") << std::optional(20.0);
        QTest::newRow("end equal to start divides by one")
            << window(R"("start": 100, "end": 100, "messages": 1200)") << std::optional(1200.0);
        QTest::newRow("a window shorter than a second divides by one")
            << window(R"("start": 100, "end": 100.25, "messages": 30)") << std::optional(30.0);
        QTest::newRow("windows too wide for a double give zero, not garbage")
            << window(R"("start": -1e308, "end": 1e308, "messages": 30)") << std::optional(0.0);
        QTest::newRow("no messages key is a rate of zero")
            << window(R"("start": 100, "end": 160)") << std::optional(0.0);
        QTest::newRow("null messages count as absent")
            << window(R"("start": 100, "end": 160, "messages": null)") << std::optional(0.0);
        QTest::newRow("a whole count written with a decimal point is still whole")
            << window(R"("start": 100, "end": 160, "messages": 1200.0)") << std::optional(20.0);
        QTest::newRow("a whole count in exponent form is still whole")
            << window(R"("start": 100, "end": 160, "messages": 1.2e3)") << std::optional(20.0);
        QTest::newRow("no last1min is a rate of zero")
            << QByteArray(R"({"now": 1, "last5min": {}})") << std::optional(0.0);
        QTest::newRow("a fractional message count makes the file unreadable")
            << window(R"("start": 100, "end": 160, "messages": 1200.5)") << unreadable;
        QTest::newRow("a message count beyond 64 bits makes the file unreadable")
            << window(R"("start": 100, "end": 160, "messages": 9223372036854775808)") << unreadable;
        QTest::newRow("a message count of 2^63 in exponent form makes the file unreadable")
            << window(R"("start": 100, "end": 160, "messages": 9.223372036854775808e18)") << unreadable;
        QTest::newRow("messages as text make the file unreadable")
            << window(R"("start": 100, "end": 160, "messages": "1200")") << unreadable;
        QTest::newRow("a window without end makes the file unreadable")
            << window(R"("start": 100, "messages": 1200)") << unreadable;
        QTest::newRow("last1min as an array makes the file unreadable")
            << QByteArray(R"({"last1min": [100, 160, 1200]})") << unreadable;
        QTest::newRow("a broken document is unreadable even with a good window")
            << window(R"("start": 100, "end": 160, "messages": 1200)").chopped(1) << unreadable;
    }

    void decodesTheStatsFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(StatsReader::decodeStatsFile(bytes), expected);
    }

    void readsTheRealDecoderFiles()
    {
        QFile aircraft(QStringLiteral(VIREON_SAMPLES_DIR "/aircraft.json"));
        QFile stats(QStringLiteral(VIREON_SAMPLES_DIR "/stats.json"));
        QVERIFY(aircraft.open(QIODevice::ReadOnly));
        QVERIFY(stats.open(QIODevice::ReadOnly));
        write("aircraft.json", aircraft.readAll());
        write("stats.json", stats.readAll());

        ManualTimeSource clock;
        StatsReader reader(clock);
        reader.start(m_dir.path());
        QCOMPARE(reader.snapshot(), (Snapshot{3, 0.0, atMsecs(1796585296001)}));
        // The sample's window saw no messages; a readable file must still give a rate, not fail.
        stats.seek(0);
        QCOMPARE(StatsReader::decodeStatsFile(stats.readAll()), std::optional(0.0));
    }

    void pollsAtStartAndEveryFiveSeconds()
    {
        write("aircraft.json", aircraftWith(2));
        write("stats.json", statsWith(1200));
        ManualTimeSource clock;
        StatsReader reader(clock);
        QSignalSpy changed(&reader, &StatsReader::changed);

        reader.start(m_dir.path());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(reader.snapshot(), (Snapshot{2, 20.0, atMsecs(1796585296001)}));

        write("aircraft.json", aircraftWith(5));
        clock.advance(4999ms);
        QCOMPARE(reader.snapshot().aircraftCount, 2);
        clock.advance(1ms);
        QCOMPARE(reader.snapshot().aircraftCount, 5);
        QCOMPARE(changed.count(), 2);

        // A steady decoder causes no further announcements.
        clock.advance(30s);
        QCOMPARE(changed.count(), 2);
    }

    void anEmptyDirectoryStaysZeroWithoutAnnouncements()
    {
        ManualTimeSource clock;
        StatsReader reader(clock);
        QSignalSpy changed(&reader, &StatsReader::changed);
        reader.start(m_dir.path());
        clock.advance(15s);
        QCOMPARE(reader.snapshot(), Snapshot{});
        QCOMPARE(changed.count(), 0);
    }

    void eachFileCountsOnItsOwnAndComesBack()
    {
        write("aircraft.json", aircraftWith(3));
        write("stats.json", statsWith(600));
        ManualTimeSource clock;
        StatsReader reader(clock);
        reader.start(m_dir.path());
        const Snapshot full{3, 10.0, atMsecs(1796585296001)};
        QCOMPARE(reader.snapshot(), full);

        remove("aircraft.json");
        clock.advance(5s);
        QCOMPARE(reader.snapshot(), (Snapshot{0, 10.0, std::nullopt}));

        write("aircraft.json", aircraftWith(3));
        write("stats.json", "{\"last1min\": {\"start\": 1");
        clock.advance(5s);
        QCOMPARE(reader.snapshot(), (Snapshot{3, 0.0, atMsecs(1796585296001)}));

        write("stats.json", statsWith(600));
        clock.advance(5s);
        QCOMPARE(reader.snapshot(), full);
    }

    void aFifoInPlaceOfAFileIsSkippedWithoutBlocking()
    {
        write("stats.json", statsWith(1200));
        QVERIFY(::mkfifo(QFile::encodeName(m_dir.filePath("aircraft.json")).constData(), 0600) == 0);
        ManualTimeSource clock;
        StatsReader reader(clock);
        reader.start(m_dir.path());
        QCOMPARE(reader.snapshot(), (Snapshot{0, 20.0, std::nullopt}));
    }

    void aSecondStartReplacesTheTimer()
    {
        QTemporaryDir other;
        write("aircraft.json", aircraftWith(1));
        write("aircraft.json", aircraftWith(4), other.path());
        ManualTimeSource clock;
        StatsReader reader(clock);
        reader.start(m_dir.path());
        clock.advance(3s);

        reader.start(other.path());
        QCOMPARE(reader.snapshot().aircraftCount, 4);
        QCOMPARE(clock.activeTimerCount(), 1);

        // The old cycle would poll two seconds from now; the new one only five seconds after its start.
        write("aircraft.json", aircraftWith(6), other.path());
        clock.advance(2s);
        QCOMPARE(reader.snapshot().aircraftCount, 4);
        clock.advance(3s);
        QCOMPARE(reader.snapshot().aircraftCount, 6);
    }

    void stopAnnouncesZeroAndEndsPolling()
    {
        write("aircraft.json", aircraftWith(2));
        ManualTimeSource clock;
        StatsReader reader(clock);
        QSignalSpy changed(&reader, &StatsReader::changed);

        reader.stop();
        QCOMPARE(changed.count(), 1);

        reader.start(m_dir.path());
        reader.stop();
        QCOMPARE(reader.snapshot(), Snapshot{});
        QCOMPARE(changed.count(), 3);
        QCOMPARE(clock.activeTimerCount(), 0);

        clock.advance(20s);
        QCOMPARE(reader.snapshot(), Snapshot{});
        QCOMPARE(changed.count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestStatsReader)
#include "TestStatsReader.moc"
