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
    // A network's multilateration server; a network without one offers no MLAT.
    struct MlatServer {
        QString host;
        qint64 port = 0;
        // host:port, as mlat-client's --server takes it.
        QString text() const { return host + QLatin1Char(':') + QString::number(port); }
        bool operator==(const MlatServer&) const = default;
    };

    struct Ingest {
        QString host;
        qint64 port = 0;
        QString protocolName;
        std::optional<MlatServer> mlat{};
        bool operator==(const Ingest&) const = default;
    };

    struct Preset {
        QString id;
        std::optional<QString> label;
        QString host;
        qint64 port = 0;
        QString protocolName;
        std::optional<QUrl> registrationUrl;
        std::optional<MlatServer> mlat{};
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

    // The networks offered besides the primary one: the document's list when it has one, even an
    // empty one; otherwise the built-in presets.
    const QList<Preset>& offeredPresets() const { return presets ? *presets : builtInPresets(); }

    // Reads the published document. Strict on shape, lenient on values: a missing required key, a
    // wrong JSON type or a URL that does not parse rejects the whole document, but ports and hosts
    // are taken as they stand (connector validation judges them). Absent and null optional keys
    // both give an absent field. "port" accepts any JSON number with a whole value that fits in 64
    // bits (30004, 30004.0 and 3e4 alike). "mlat" on the ingest and on each preset is an optional
    // object with "host" and "port", read as strictly as the rest.
    static std::optional<FeederConfig> decode(const QByteArray& document);

    static const QList<Preset>& builtInPresets();
    static const Preset* builtInPreset(const QString& id);
    static const FeederConfig& fallback();
};

} // namespace vireon
