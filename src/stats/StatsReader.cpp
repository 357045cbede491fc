#include "stats/StatsReader.h"

#include "platform/RegularFile.h"
#include "stats/JsonScanner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace vireon {
namespace {

std::optional<QByteArray> readWholeFile(const QString& path)
{
    return RegularFile::read(path, StatsReader::maxFileBytes);
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

// A figure the file may or may not give: anything but a number leaves it absent, and the file stays
// readable (decoders of other versions write other sets).
std::optional<double> optionalDouble(JsonScanner& scanner)
{
    return readDouble(scanner);
}

std::optional<qint64> optionalInteger(JsonScanner& scanner)
{
    if (scanner.peek() != JsonScanner::Kind::number) {
        scanner.skipValue();
        return std::nullopt;
    }
    const auto number = scanner.readNumber();
    return number ? JsonScanner::toInteger(*number) : std::nullopt;
}

// A block written where an object belongs; anything else there is passed over.
bool enterObjectOrSkip(JsonScanner& scanner)
{
    if (scanner.peek() != JsonScanner::Kind::object) {
        scanner.skipValue();
        return false;
    }
    return scanner.enterObject();
}

// The receiver's own block of a window ("local"): its signal levels and what its USB link lost.
void readLocal(JsonScanner& scanner, ReceiverFigures& figures)
{
    if (!enterObjectOrSkip(scanner))
        return;
    std::string_view key;
    while (scanner.nextMember(key)) {
        if (key == "signal")
            figures.signalDbfs = optionalDouble(scanner);
        else if (key == "noise")
            figures.noiseDbfs = optionalDouble(scanner);
        else if (key == "peak_signal")
            figures.peakSignalDbfs = optionalDouble(scanner);
        else if (key == "strong_signals")
            figures.strongSignals = optionalInteger(scanner);
        else if (key == "samples_dropped")
            figures.samplesDropped = optionalInteger(scanner);
        else if (key == "samples_lost")
            figures.samplesLost = optionalInteger(scanner);
        else
            scanner.skipValue();
    }
}

// One element of the aircraft list; its position is kept when the aircraft broadcast it itself
// (ADS-B, not a ground station's relay or a multilaterated estimate) within the last minute.
// False only when the text is broken.
bool readAircraft(JsonScanner& scanner, QList<AircraftPosition>& positions)
{
    if (scanner.peek() != JsonScanner::Kind::object)
        return scanner.skipValue();
    scanner.enterObject();
    std::optional<std::string> hex; // six characters: kept without a heap allocation
    bool ownBroadcast = false;
    bool typeRead = false;
    std::optional<JsonScanner::Number> lat, lon, seenPos;
    const auto is = [&scanner](JsonScanner::Kind kind) { return scanner.peek() == kind; };
    // A busy sky has tens of thousands of members to go past: only these five are looked at.
    for (int member; (member = scanner.seekMember({"hex", "type", "lat", "lon", "seen_pos"})) >= 0;) {
        if (member == 0 && is(JsonScanner::Kind::string)) {
            if (const std::optional<std::string_view> text = scanner.readString())
                hex = std::string(*text);
        } else if (member == 1 && is(JsonScanner::Kind::string)) {
            const std::optional<std::string_view> type = scanner.readString();
            ownBroadcast = type && type->substr(0, 9) == "adsb_icao";
            typeRead = true;
        } else if (member == 2 && is(JsonScanner::Kind::number)) {
            lat = scanner.readNumber();
        } else if (member == 3 && is(JsonScanner::Kind::number)) {
            lon = scanner.readNumber();
        } else if (member == 4 && is(JsonScanner::Kind::number)) {
            seenPos = scanner.readNumber();
        } else {
            scanner.skipValue();
        }
        // The rest of an entry is of no interest once it is known not to count, or all is read.
        if ((typeRead && !ownBroadcast) || (hex && lat && lon && seenPos)) {
            scanner.skipRest();
            break;
        }
    }
    if (scanner.failed())
        return false;
    // Converted only for the aircraft that can count.
    if (!ownBroadcast || !hex || !lat || !lon || !seenPos)
        return true;
    const std::optional<double> age = JsonScanner::toDouble(*seenPos);
    const std::optional<double> latitude = JsonScanner::toDouble(*lat);
    const std::optional<double> longitude = JsonScanner::toDouble(*lon);
    if (age && *age < 60 && latitude && longitude && std::fabs(*latitude) <= 90 &&
        std::fabs(*longitude) <= 180)
        positions.append(AircraftPosition{QString::fromStdString(*hex), *latitude, *longitude});
    return true;
}

// The window's position decoding ("cpr"): the globally decoded positions, and how many of them
// failed the decoder's range check against the station's position.
void readPositionDecoding(JsonScanner& scanner, ReceiverFigures& figures)
{
    if (!enterObjectOrSkip(scanner))
        return;
    std::string_view key;
    while (scanner.nextMember(key)) {
        if (key == "global_ok")
            figures.positionsDecoded = optionalInteger(scanner);
        else if (key == "global_range")
            figures.positionsOutOfRange = optionalInteger(scanner);
        else
            scanner.skipValue();
    }
}

struct Window {
    Member<double> start;
    Member<double> end;
    Member<qint64> messages; // null counts as absent
};

// Reads a one-minute window object into the rate and the receiver's figures; none when it is not an
// object or a member the rate depends on has the wrong type.
std::optional<double> readWindow(JsonScanner& scanner, ReceiverFigures& figures)
{
    if (scanner.peek() != JsonScanner::Kind::object) {
        scanner.skipValue();
        return std::nullopt;
    }
    scanner.enterObject();
    Window window;
    std::string_view key;
    while (scanner.nextMember(key)) {
        if (key == "start") {
            window.start.set(readDouble(scanner));
        } else if (key == "end") {
            window.end.set(readDouble(scanner));
        } else if (key == "messages_valid") {
            figures.messagesValid = optionalInteger(scanner);
        } else if (key == "max_distance") {
            figures.maxDistanceMetres = optionalDouble(scanner);
        } else if (key == "local") {
            readLocal(scanner, figures);
        } else if (key == "cpr") {
            readPositionDecoding(scanner, figures);
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

std::optional<StatsReader::AircraftFigures> StatsReader::decodeAircraftFile(QByteArrayView bytes,
                                                                            bool readPositions)
{
    JsonScanner scanner(bytes);
    if (!scanner.enterObject())
        return std::nullopt;
    Member<double> now;
    Member<qint64> count;
    QList<AircraftPosition> positions;
    std::string_view key;
    while (scanner.nextMember(key)) {
        if (key == "now") {
            now.set(readDouble(scanner));
        } else if (key == "aircraft") {
            if (scanner.peek() != JsonScanner::Kind::array) {
                scanner.skipValue();
                count.set(std::nullopt);
                continue;
            }
            // Every entry counts; only an aircraft's own recent position is read out of it.
            scanner.enterArray();
            qint64 elements = 0;
            positions.clear();
            while (scanner.nextElement() &&
                   (readPositions ? readAircraft(scanner, positions) : scanner.skipValue()))
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
    return AircraftFigures{count.value, *updatedAt, positions};
}

std::optional<StatsReader::StatsFigures> StatsReader::decodeStatsFile(QByteArrayView bytes)
{
    JsonScanner scanner(bytes);
    if (!scanner.enterObject())
        return std::nullopt;
    Member<double> rate;
    ReceiverFigures receiver;
    ReceiverFigures window;
    std::string_view key;
    while (scanner.nextMember(key)) {
        if (key == "last1min") {
            window = ReceiverFigures{};
            if (scanner.peekNull()) {
                scanner.skipValue();
                rate.clear();
            } else {
                rate.set(readWindow(scanner, window));
            }
        } else if (key == "gain_db") {
            receiver.gainDb = optionalDouble(scanner);
        } else if (key == "estimated_ppm") {
            receiver.estimatedPpm = optionalDouble(scanner);
        } else if (key == "aircraft_without_pos") {
            receiver.aircraftWithoutPosition = optionalInteger(scanner);
        } else {
            scanner.skipValue();
        }
    }
    if (!scanner.finish() || rate.state == Member<double>::State::wrongType)
        return std::nullopt;
    window.gainDb = receiver.gainDb;
    window.estimatedPpm = receiver.estimatedPpm;
    window.aircraftWithoutPosition = receiver.aircraftWithoutPosition;
    // A decoder without a tuner (reading a file, say) writes a gain of 99999.9: there is none to show.
    if (window.gainDb && !(*window.gainDb < 1000))
        window.gainDb.reset();
    return StatsFigures{rate.value, window}; // no window at all is a rate of zero
}

StatsReader::Snapshot StatsReader::readSnapshot(const QString& directory, QList<AircraftPosition>* positions)
{
    Snapshot snapshot;
    // QDir would take an empty path for the working directory, which is nobody's JSON directory.
    if (directory.isEmpty())
        return snapshot;
    const QDir dir(directory);
    if (const auto bytes = readWholeFile(dir.filePath(QStringLiteral("aircraft.json")))) {
        if (const auto figures = decodeAircraftFile(*bytes, positions != nullptr)) {
            snapshot.aircraftCount = figures->aircraftCount;
            snapshot.updatedAt = figures->updatedAt;
            if (positions)
                *positions = figures->positions;
        }
    }
    if (const auto bytes = readWholeFile(dir.filePath(QStringLiteral("stats.json")))) {
        if (const auto figures = decodeStatsFile(*bytes)) {
            snapshot.messageRate = figures->messageRate;
            snapshot.receiver = figures->receiver;
        }
    }
    return snapshot;
}

void StatsReader::start(const QString& directory)
{
    m_directory = directory;
    m_pollsSincePositions = 0;
    m_timer = m_time.createTimer();
    connect(m_timer.get(), &Timer::timeout, this, &StatsReader::poll);
    m_timer->start(pollInterval, Timer::Repeat::repeating);
    poll();
}

void StatsReader::stop()
{
    m_timer.reset();
    m_rateHistory.clear();
    m_updatedAtFirstRead.reset();
    publish(Snapshot{});
}

void StatsReader::poll()
{
    if (!m_directory)
        return;
    const bool withPositions = m_pollsSincePositions == 0;
    m_pollsSincePositions = (m_pollsSincePositions + 1) % positionsEvery;
    QList<AircraftPosition> positions;
    const Snapshot next = readSnapshot(*m_directory, withPositions ? &positions : nullptr);
    if (!next.updatedAt)
        m_updatedAtFirstRead.reset();
    else if (next.updatedAt != m_snapshot.updatedAt)
        m_updatedAtFirstRead = m_time.elapsed();
    // One point a poll, whether or not the figures changed: the curve's time axis is the polls. It is
    // shown with the next change, which a running decoder makes at least every few seconds.
    m_rateHistory.append(next.messageRate);
    if (m_rateHistory.size() > historyLength)
        m_rateHistory.remove(0, m_rateHistory.size() - historyLength);
    if (next != m_snapshot)
        publish(next);
    if (withPositions && !positions.isEmpty())
        Q_EMIT positionsHeard(positions);
    else if (withPositions)
        m_pollsSincePositions = 0; // the decoder has written nothing yet: the next poll looks again
}

void StatsReader::publish(const Snapshot& snapshot)
{
    m_snapshot = snapshot;
    Q_EMIT changed();
}

} // namespace vireon
