#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace vireon {

// The primary network's published feeder document: where the stream goes, which other networks
// are offered as presets, and which of its web pages the interface links to.
struct FeederConfig {
    struct Ingest {
        QString host;
        qint64 port = 0;
        QString protocolName;
        bool operator==(const Ingest&) const = default;
    };

    struct Preset {
        QString id;
        std::optional<QString> label;
        QString host;
        qint64 port = 0;
        QString protocolName;
        std::optional<QUrl> registrationURL;
        bool operator==(const Preset&) const = default;
    };

    struct Links {
        std::optional<QUrl> liveMap;
        std::optional<QUrl> feederPage;
        std::optional<QUrl> claimStation;
        bool operator==(const Links&) const = default;
    };

    Ingest ingest;
    std::optional<QList<Preset>> presets;
    std::optional<Links> links;

    bool operator==(const FeederConfig&) const = default;

    static const QList<Preset>& builtInPresets();
    static const Preset* builtInPreset(const QString& id);
    static const FeederConfig& fallback();
};

} // namespace vireon
