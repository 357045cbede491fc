#pragma once

#include "config/StationConfig.h"
#include "decoder/MonitoredConnector.h"
#include "network/FeederConfig.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace vireon {

// Turns the station configuration and the primary network's ingest endpoint into the decoder's
// argument list and outbound connections. This is the one place where what the user typed is
// validated; the file and the interface keep whatever was entered.
struct ReadsbCommand {
    ReadsbCommand() = delete;

    struct ValidationError {
        enum class Kind {
            emptyHost,
            invalidHost,
            invalidPort,
            invalidProtocol,
            invalidUuid,
            invalidGain,
            invalidBeastPort,
        };

        Kind kind = Kind::emptyHost;
        QString connector; // the connector's label, for the connector kinds
        QString text;      // the host, protocol name or gain that was refused
        qint64 number = 0; // the port or beast port that was refused

        static ValidationError emptyHost(const QString& connector);
        static ValidationError invalidHost(const QString& connector, const QString& host);
        static ValidationError invalidPort(const QString& connector, qint64 port);
        static ValidationError invalidProtocol(const QString& connector, const QString& protocolName);
        static ValidationError invalidUuid(const QString& connector);
        static ValidationError invalidGain(const QString& gain);
        static ValidationError invalidBeastPort(qint64 port);

        // The one user-facing message of this failure.
        QString errorDescription() const;

        bool operator==(const ValidationError&) const = default;
    };

    // One outbound connection of the decoder.
    struct Connector {
        QString id;
        QString label;
        QString host;
        qint64 port = 0;
        QString protocolName;
        std::optional<QString> uuid;
        bool isVireon = false;

        // The text that follows "--net-connector": host,port,protocol[,uuid=KEY].
        std::variant<QString, ValidationError> argumentValue() const;

        bool operator==(const Connector&) const = default;
    };

    static const QSet<QString>& allowedProtocols();

    // The primary network's connector first (when enabled), then every enabled extra connector in
    // the configuration's order. Validates nothing.
    static QList<Connector> connectors(const StationConfig& config, const FeederConfig::Ingest& remoteIngest);

    // The same connections as the supervisor watches them in the decoder's output.
    static QList<MonitoredConnector> monitored(const QList<Connector>& connectors);

    // The decoder's arguments without the program name. A configuration with several problems
    // reports the gain first, then the beast port, then the first bad connector in list order.
    static std::variant<QStringList, ValidationError> arguments(const StationConfig& config,
                                                                const FeederConfig::Ingest& remoteIngest,
                                                                const QString& jsonDirectory);

    // ASCII letters, digits, dots and hyphens, starting and ending with a letter or digit.
    static bool isValidHost(const QString& text);
    // 1 to 64 ASCII letters, digits and hyphens, in any arrangement.
    static bool isValidUuid(const QString& text);
    // "auto", or one decimal floating-point number as C's strtod reads it, minus what strtod
    // allows beyond that: no blanks around it, no hexadecimal, no inf or nan, a full stop as the
    // only separator. Sign and exponent are optional; "5." and ".5" pass, "." does not.
    static bool isValidGain(const QString& text);
};

} // namespace vireon
