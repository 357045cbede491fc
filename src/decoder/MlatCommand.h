#pragma once

#include "config/StationConfig.h"
#include "network/FeederConfig.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vireon {

// Which networks the station takes part in MLAT with, and the mlat-client command line for each.
// One client per network that is switched on, offers MLAT, has MLAT on and a feeder UUID, once the
// station has a position and an altitude.
struct MlatCommand {
    MlatCommand() = delete;

    // Why a network that offers MLAT gets no client, in the order they are looked at.
    enum class Blocker { networkOff, mlatOff, noPosition, noAltitude, noUuid };

    // A network that offers MLAT, as configured.
    struct Network {
        QString id; // "vireon" for the primary network, else its connector's id
        QString label;
        FeederConfig::MlatServer server;
        bool enabled = false;
        bool mlat = true;
        bool privacy = false;
        std::optional<QString> uuid;
        bool operator==(const Network&) const = default;
    };

    // One mlat-client to run.
    struct Client {
        QString id;
        QString label;
        QString server; // host:port
        QString uuid;
        QString statsFile;
        QStringList arguments;
        bool operator==(const Client&) const = default;
    };

    static const QString primaryId;

    // Every configured network that offers MLAT, switched on or not: the primary network first, then
    // the connectors in the file's order (the first of several with one id). A preset's server comes
    // from the document; a connector's own server, when it names one, wins.
    static QList<Network> networks(const StationConfig& config, const FeederConfig& remote);
    static std::optional<Blocker> blocker(const Network& network, const StationConfig::Station& station);
    static QList<Client> clients(const StationConfig& config, const FeederConfig& remote,
                                 const QString& jsonDirectory);

    // mlat-client refuses to run a session within 0.1° of 0, 0 (it sleeps an hour, then exits), so
    // that is "no position" here too.
    static bool hasPosition(const StationConfig::Station& station);
    // The name the MLAT servers show and check: letters, digits, "_" and "-" only (servers drop a
    // client with anything else), never starting with "-"; "vireon-feeder" when nothing is left.
    static QString user(const QString& stationName);
    // mlat-<id>.json, with anything but letters, digits, ".", "_" and "-" in the id made "_".
    static QString statsFileName(const QString& id);
    // host:port with a valid host and a port in 1 to 65535.
    static std::optional<FeederConfig::MlatServer> parseServer(const QString& text);
    static bool isValidServer(const FeederConfig::MlatServer& server);
};

} // namespace vireon
