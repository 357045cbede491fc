#include "stats/StatsReader.h"

#include "platform/RegularFile.h"
#include "stats/JsonScanner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace vireon {
namespace {

// Far above what the decoder writes (about 600 bytes an aircraft), low enough that a stray huge
// file cannot exhaust memory on the GUI thread.
constexpr qint64 maxFileSize = 64 * 1024 * 1024;

std::optional<QByteArray> readWholeFile(const QString& path)
{
    return RegularFile::read(path, maxFileSize);
}

// One member of a file's object as far as it has been read. A repeated key counts with its last
// occurrence, so a later good value mends an earlier bad one and the other way round.
template <typename T>
struct Member {
    enum class State { absent, valid, wrongType };
    State state = State::absent;
    T value{};

    void set(const std::optional<T>& read)
    {
        state = read ? State::valid : State::wrongType;
        value = read.value_or(T{});
    }
    void clear() { *this = Member(); }
    bool isValid() const { return state == State::valid; }
};

std::optional<double> readDouble(JsonScanner& scanner)
{
    if (scanner.peek() != JsonScanner::Kind::number) {
        scanner.skipValue();
        return std::nullopt;
    }
    const auto number = scanner.readNumber();
    return number ? JsonScanner::toDouble(*number) : std::nullopt;
}

// Points in time are whole milliseconds; a value whose milliseconds do not fit a double's exact
// range is no moment any clock of ours can show.
std::optional<QDateTime> momentFromSeconds(double seconds)
{
    const double msecs = std::round(seconds * 1000.0);
    constexpr double exactLimit = 9007199254740992.0; // 2^53
    if (!std::isfinite(msecs) || std::fabs(msecs) > exactLimit)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(msecs), Qt::UTC);
}

struct Window {
    Member<double> start;
    Member<double> end;
    Member<qint64> messages; // null counts as absent
};

// Reads a one-minute window object; none when it is not an object or a member has the wrong type.
std::optional<double> readWindowRate(JsonScanner& scanner)
{
    if (scanner.peek() != JsonScanner::Kind::object) {
        scanner.skipValue();
        return std::nullopt;
    }
    scanner.enterObject();
    Window window;
    std::string key;
    while (scanner.nextMember(key)) {
        if (key == "start") {
            window.start.set(readDouble(scanner));
        } else if (key == "end") {
            window.end.set(readDouble(scanner));
        } else if (key == "messages") {
            if (scanner.peekNull()) {
                scanner.skipValue();
                window.messages.clear();
            } else if (scanner.peek() == JsonScanner::Kind::number) {
                const auto number = scanner.readNumber();
                window.messages.set(number ? JsonScanner::toInteger(*number) : std::nullopt);
            } else {
                scanner.skipValue();
                window.messages.set(std::nullopt);
            }
        } else {
            scanner.skipValue();
        }
    }
    if (scanner.failed() || !window.start.isValid() || !window.end.isValid() ||
        window.messages.state == Member<qint64>::State::wrongType)
        return std::nullopt;

    const double messages = window.messages.isValid() ? double(window.messages.value) : 0.0;
    double seconds = window.end.value - window.start.value;
    // Written so that a difference that is not a number would fall back to one second too.
    if (!(seconds >= 1.0))
        seconds = 1.0;
    return messages / seconds;
}

} // namespace

StatsReader::StatsReader(TimeSource& time, QObject* parent) : QObject(parent), m_time(time) {}

StatsReader::~StatsReader() = default;

std::optional<StatsReader::AircraftFigures> StatsReader::decodeAircraftFile(QByteArrayView bytes)
{
    JsonScanner scanner(bytes);
    if (!scanner.enterObject())
        return std::nullopt;
    Member<double> now;
    Member<qint64> count;
    std::string key;
    while (scanner.nextMember(key)) {
        if (key == "now") {
            now.set(readDouble(scanner));
        } else if (key == "aircraft") {
            if (scanner.peek() != JsonScanner::Kind::array) {
                scanner.skipValue();
                count.set(std::nullopt);
                continue;
            }
            // The entries are only counted; their contents are none of our business.
            scanner.enterArray();
            qint64 elements = 0;
            while (scanner.nextElement() && scanner.skipValue())
                ++elements;
            count.set(elements);
        } else {
            scanner.skipValue();
        }
    }
    if (!scanner.finish() || !now.isValid() || !count.isValid())
        return std::nullopt;
    const std::optional<QDateTime> updatedAt = momentFromSeconds(now.value);
    if (!updatedAt)
        return std::nullopt;
    return AircraftFigures{count.value, *updatedAt};
}

std::optional<double> StatsReader::decodeStatsFile(QByteArrayView bytes)
{
    JsonScanner scanner(bytes);
    if (!scanner.enterObject())
        return std::nullopt;
    Member<double> rate;
    std::string key;
    while (scanner.nextMember(key)) {
        if (key == "last1min") {
            if (scanner.peekNull()) {
                scanner.skipValue();
                rate.clear();
            } else {
                rate.set(readWindowRate(scanner));
            }
        } else {
            scanner.skipValue();
        }
    }
    if (!scanner.finish() || rate.state == Member<double>::State::wrongType)
        return std::nullopt;
    return rate.value; // no window at all is a rate of zero
}

StatsReader::Snapshot StatsReader::readSnapshot(const QString& directory)
{
    Snapshot snapshot;
    // QDir would take an empty path for the working directory, which is nobody's JSON directory.
    if (directory.isEmpty())
        return snapshot;
    const QDir dir(directory);
    if (const auto bytes = readWholeFile(dir.filePath(QStringLiteral("aircraft.json")))) {
        if (const auto figures = decodeAircraftFile(*bytes)) {
            snapshot.aircraftCount = figures->aircraftCount;
            snapshot.updatedAt = figures->updatedAt;
        }
    }
    if (const auto bytes = readWholeFile(dir.filePath(QStringLiteral("stats.json")))) {
        if (const auto rate = decodeStatsFile(*bytes))
            snapshot.messageRate = *rate;
    }
    return snapshot;
}

void StatsReader::start(const QString& directory)
{
    m_directory = directory;
    m_timer = m_time.createTimer();
    connect(m_timer.get(), &Timer::timeout, this, &StatsReader::poll);
    m_timer->start(pollInterval, Timer::Repeat::repeating);
    poll();
}

void StatsReader::stop()
{
    m_timer.reset();
    publish(Snapshot{});
}

void StatsReader::poll()
{
    if (!m_directory)
        return;
    const Snapshot next = readSnapshot(*m_directory);
    if (next != m_snapshot)
        publish(next);
}

void StatsReader::publish(const Snapshot& snapshot)
{
    m_snapshot = snapshot;
    Q_EMIT changed();
}

} // namespace vireon
