#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace vireon {

// How well the station hears, from the decoder's stats file: the figures of its last minute. Each is
// absent when the file does not give it (without a stick there is no signal block at all).
struct ReceiverFigures {
    std::optional<double> gainDb;
    std::optional<double> estimatedPpm;
    std::optional<qint64> messagesValid;
    std::optional<double> maxDistanceMetres;
    std::optional<double> signalDbfs;
    std::optional<double> noiseDbfs;
    std::optional<double> peakSignalDbfs;
    std::optional<qint64> strongSignals;
    std::optional<qint64> samplesDropped;
    std::optional<qint64> samplesLost;
    // Positions the decoder worked out from pairs of broadcasts, and those of them it threw away as
    // too far from the station's position to have been heard there.
    std::optional<qint64> positionsDecoded;
    std::optional<qint64> positionsOutOfRange;
    // Aircraft heard now whose position is unknown.
    std::optional<qint64> aircraftWithoutPosition;
    bool operator==(const ReceiverFigures&) const = default;
};

// An aircraft's own broadcast position (ADS-B, heard within the last minute).
struct AircraftPosition {
    QString hex;
    double latitude = 0;
    double longitude = 0;
    bool operator==(const AircraftPosition&) const = default;
};

// One reading of the decoder's live figures.
struct StatsSnapshot {
    qint64 aircraftCount = 0;
    double messageRate = 0;
    std::optional<QDateTime> updatedAt;
    ReceiverFigures receiver;
    bool operator==(const StatsSnapshot&) const = default;
};

} // namespace vireon
