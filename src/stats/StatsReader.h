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
        bool operator==(const AircraftFigures&) const = default;
    };

    explicit StatsReader(TimeSource& time = TimeSource::system(), QObject* parent = nullptr);
    ~StatsReader() override;

    // Polls the directory at once and then every five seconds; a second call switches directory
    // and restarts the cycle with a fresh timer.
    void start(const QString& directory);
    // Stops polling and publishes the zero snapshot (even when it already was zero).
    void stop();

    const Snapshot& snapshot() const { return m_snapshot; }

    // The contents of "aircraft.json"; none when the file is unreadable.
    static std::optional<AircraftFigures> decodeAircraftFile(QByteArrayView bytes);
    // The message rate from "stats.json": 0 when the file has no one-minute window, none when the
    // file is unreadable.
    static std::optional<double> decodeStatsFile(QByteArrayView bytes);
    // Everything one poll of the directory finds, starting from the zero snapshot.
    static Snapshot readSnapshot(const QString& directory);

    static constexpr std::chrono::milliseconds pollInterval{5000};

Q_SIGNALS:
    void changed();

private:
    void poll();
    void publish(const Snapshot& snapshot);

    TimeSource& m_time;
    std::unique_ptr<Timer> m_timer;
    std::optional<QString> m_directory;
    Snapshot m_snapshot;
};

} // namespace vireon
