#pragma once

#include "platform/TimeSource.h"
#include "stats/StatsSnapshot.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace vireon {

// Live figures from the decoder's JSON directory: how many aircraft it sees, how many messages a
// second it receives, and when it last wrote its aircraft file. Polls every five seconds while
// started; a missing, half-written or unexpected file just contributes nothing to that poll.
class StatsReader : public QObject {
    Q_OBJECT
public:
    using Snapshot = StatsSnapshot;

    // What "aircraft.json" contributes to a snapshot.
    struct AircraftFigures {
        qint64 aircraftCount = 0;
        QDateTime updatedAt;
        QList<AircraftPosition> positions;
        bool operator==(const AircraftFigures&) const = default;
    };

    // What "stats.json" contributes to a snapshot.
    struct StatsFigures {
        double messageRate = 0;
        ReceiverFigures receiver;
        bool operator==(const StatsFigures&) const = default;
    };

    explicit StatsReader(TimeSource& time = TimeSource::system(), QObject* parent = nullptr);
    ~StatsReader() override;

    // Polls the directory at once and then every five seconds; a second call switches directory
    // and restarts the cycle with a fresh timer.
    void start(const QString& directory);
    // Stops polling and publishes the zero snapshot (even when it already was zero).
    void stop();

    const Snapshot& snapshot() const { return m_snapshot; }
    // When the snapshot's updatedAt was first read, on the time source's elapsed() clock: a stamp
    // that stays the same tells a hung decoder even when the wall clock was set.
    const std::optional<std::chrono::milliseconds>& updatedAtFirstRead() const
    {
        return m_updatedAtFirstRead;
    }
    // The message rate at each poll of the last hour, oldest first, while started.
    const QList<double>& rateHistory() const { return m_rateHistory; }
    static constexpr qsizetype historyLength = 720; // an hour of polls

    // The contents of "aircraft.json"; none when the file is unreadable. Reading the positions means
    // looking into every entry, which costs a busy poll a good part again, so it is asked for only
    // when they are wanted.
    static std::optional<AircraftFigures> decodeAircraftFile(QByteArrayView bytes, bool readPositions = true);
    // The message rate from "stats.json" (0 when the file has no one-minute window) and the receiver's
    // figures it gives; none when the file is unreadable.
    static std::optional<StatsFigures> decodeStatsFile(QByteArrayView bytes);
    // Everything one poll of the directory finds, starting from the zero snapshot; with the aircraft
    // positions when they are asked for.
    static Snapshot readSnapshot(const QString& directory, QList<AircraftPosition>* positions = nullptr);

    static constexpr std::chrono::milliseconds pollInterval{5000};
    // A larger file counts as absent. The decoder writes about 600 bytes an aircraft, so this is some
    // 27,000 aircraft, far more than any sky holds; reading and scanning a file this large still
    // costs the GUI thread about a tenth of a second (bench_stats_poll), one of 64 MB several times
    // that.
    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;
    // Where the station is needs no fresher evidence than a minute's.
    static constexpr int positionsEvery = 12;

Q_SIGNALS:
    void changed();
    // The aircraft's own broadcast positions, read at every poll until some are heard and then once
    // a minute.
    void positionsHeard(const QList<vireon::AircraftPosition>& positions);

private:
    void poll();
    void publish(const Snapshot& snapshot);

    TimeSource& m_time;
    std::unique_ptr<Timer> m_timer;
    std::optional<QString> m_directory;
    Snapshot m_snapshot;
    std::optional<std::chrono::milliseconds> m_updatedAtFirstRead;
    QList<double> m_rateHistory;
    int m_pollsSincePositions = 0;
};

} // namespace vireon
