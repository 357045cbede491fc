#include "decoder/MlatCommand.h"

#include "decoder/ReadsbCommand.h"
#include "platform/CNumber.h"

#include <QDir>
#include <QSet>
#include <cmath>

namespace vireon {

const QString MlatCommand::primaryId = QStringLiteral("vireon");

namespace {

const FeederConfig::Preset* presetWithId(const QList<FeederConfig::Preset>& presets, const QString& id)
{
    for (const FeederConfig::Preset& preset : presets) {
        if (preset.id == id)
            return &preset;
    }
    return nullptr;
}

QString keepOnly(const QString& text, const QString& extra)
{
    QString kept;
    for (const QChar c : text) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        kept += plain || extra.contains(c) ? c : QChar(u'_');
    }
    return kept;
}

} // namespace

bool MlatCommand::isValidServer(const FeederConfig::MlatServer& server)
{
    return ReadsbCommand::isValidHost(server.host) && server.port >= 1 && server.port <= 65535;
}

std::optional<FeederConfig::MlatServer> MlatCommand::parseServer(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return std::nullopt;
    const QString port = text.mid(colon + 1);
    bool digitsOnly = !port.isEmpty() && port.size() <= 5;
    for (const QChar c : port)
        digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    if (!digitsOnly)
        return std::nullopt;
    const FeederConfig::MlatServer server{text.left(colon), port.toLongLong()};
    if (!isValidServer(server))
        return std::nullopt;
    return server;
}

QList<MlatCommand::Network> MlatCommand::networks(const StationConfig& config, const FeederConfig& remote)
{
    QList<Network> found;
    QSet<QString> seen;
    if (remote.ingest.mlat && isValidServer(*remote.ingest.mlat)) {
        const StationConfig::Vireon& primary = config.vireon;
        found.append(Network{primaryId, QStringLiteral("Vireon"), *remote.ingest.mlat, primary.enabled,
                             primary.mlat, primary.mlatPrivacy, primary.uuid});
    }
    seen.insert(primaryId);
    for (const StationConfig::ExtraConnector& connector : config.extraConnectors) {
        if (seen.contains(connector.id))
            continue;
        seen.insert(connector.id);
        const FeederConfig::Preset* preset = presetWithId(remote.offeredPresets(), connector.id);
        std::optional<FeederConfig::MlatServer> server = connector.mlatServer;
        if (!server && preset)
            server = preset->mlat;
        if (!server || !isValidServer(*server))
            continue;
        const QString label =
            preset && preset->label ? *preset->label : connector.label.value_or(connector.id);
        found.append(Network{connector.id, label, *server, connector.enabled, connector.mlat,
                             connector.mlatPrivacy, connector.uuid});
    }
    return found;
}

std::optional<MlatCommand::Blocker> MlatCommand::blocker(const Network& network,
                                                         const StationConfig::Station& station)
{
    if (!network.enabled)
        return Blocker::networkOff;
    if (!network.mlat)
        return Blocker::mlatOff;
    if (!hasPosition(station))
        return Blocker::noPosition;
    if (!station.alt)
        return Blocker::noAltitude;
    if (!network.uuid || !ReadsbCommand::isValidUuid(*network.uuid))
        return Blocker::noUuid;
    return std::nullopt;
}

QList<MlatCommand::Client> MlatCommand::clients(const StationConfig& config, const FeederConfig& remote,
                                                const QString& jsonDirectory)
{
    QList<Client> clients;
    const StationConfig::Station& station = config.station;
    for (const Network& network : networks(config, remote)) {
        if (blocker(network, station))
            continue;
        const QString statsFile = QDir(jsonDirectory).filePath(statsFileName(network.id));
        QStringList arguments{
            QStringLiteral("--input-type"),
            QStringLiteral("beast"),
            QStringLiteral("--input-connect"),
            QStringLiteral("127.0.0.1:") + QString::number(config.localOutputs.beastPort),
            QStringLiteral("--server"),
            network.server.text(),
            QStringLiteral("--lat"),
            CNumber::format("%.6f", station.lat),
            QStringLiteral("--lon"),
            CNumber::format("%.6f", station.lon),
            // Metres above sea level, as the networks' own set-ups ask for it, though the client's
            // help speaks of the ellipsoid: the servers are built around what feeders actually give.
            QStringLiteral("--alt"),
            CNumber::format("%.1f", *station.alt),
            QStringLiteral("--user"),
            user(station.name),
            QStringLiteral("--uuid"),
            *network.uuid,
            QStringLiteral("--stats-json"),
            statsFile,
        };
        if (network.privacy)
            arguments << QStringLiteral("--privacy");
        clients.append(
            Client{network.id, network.label, network.server.text(), *network.uuid, statsFile, arguments});
    }
    return clients;
}

bool MlatCommand::hasPosition(const StationConfig::Station& station)
{
    return !(std::abs(station.lat) < 0.1 && std::abs(station.lon) < 0.1);
}

QString MlatCommand::user(const QString& stationName)
{
    QString name = keepOnly(stationName.trimmed(), QStringLiteral("_-"));
    while (name.startsWith(u'-'))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("vireon-feeder") : name;
}

QString MlatCommand::statsFileName(const QString& id)
{
    // A hand-written id may hold a "/"; with the prefix, what is left always names a file in the folder.
    return QStringLiteral("mlat-") + keepOnly(id, QStringLiteral("._-")) + QStringLiteral(".json");
}

} // namespace vireon
