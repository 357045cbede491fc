#include "decoder/ReadsbCommand.h"

#include "platform/CNumber.h"

#include <QRegularExpression>

namespace vireon {
namespace {

using ValidationError = ReadsbCommand::ValidationError;

const QString primaryId = QStringLiteral("vireon");
const QString primaryLabel = QStringLiteral("Vireon");

// Anchored with \A...\z: a plain ^...$ also matches before a final line feed, which would let
// "host\n" through into the decoder's arguments.
QRegularExpression whole(const char* pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern)));
}

bool isPortInRange(qint64 port)
{
    return port >= 1 && port <= 65535;
}

// Six decimals and a full stop whatever the user's locale, rounded as printf rounds.
QString coordinate(double degrees)
{
    return CNumber::format("%.6f", degrees);
}

QString quoted(const QString& text)
{
    return QStringLiteral("“") + text + QStringLiteral("”");
}

} // namespace

ValidationError ValidationError::emptyHost(const QString& connector)
{
    return {Kind::emptyHost, connector, {}, 0};
}

ValidationError ValidationError::invalidHost(const QString& connector, const QString& host)
{
    return {Kind::invalidHost, connector, host, 0};
}

ValidationError ValidationError::invalidPort(const QString& connector, qint64 port)
{
    return {Kind::invalidPort, connector, {}, port};
}

ValidationError ValidationError::invalidProtocol(const QString& connector, const QString& protocolName)
{
    return {Kind::invalidProtocol, connector, protocolName, 0};
}

ValidationError ValidationError::invalidUuid(const QString& connector)
{
    return {Kind::invalidUuid, connector, {}, 0};
}

ValidationError ValidationError::invalidGain(const QString& gain)
{
    return {Kind::invalidGain, {}, gain, 0};
}

ValidationError ValidationError::invalidBeastPort(qint64 port)
{
    return {Kind::invalidBeastPort, {}, {}, port};
}

QString ValidationError::errorDescription() const
{
    const QString prefix = QStringLiteral("Connector ") + quoted(connector) + QStringLiteral(": ");
    switch (kind) {
    case Kind::emptyHost:
        return prefix + QStringLiteral("host is empty.");
    case Kind::invalidHost:
        return prefix + QStringLiteral("invalid host ") + quoted(text) +
               QStringLiteral(" (letters, digits, dots and dashes only).");
    case Kind::invalidPort:
        return prefix + QStringLiteral("port ") + QString::number(number) +
               QStringLiteral(" is out of range 1–65535.");
    case Kind::invalidProtocol:
        return prefix + QStringLiteral("protocol ") + quoted(text) +
               QStringLiteral(" is not supported (use beast_reduce_plus_out or beast_out).");
    case Kind::invalidUuid:
        return prefix + QStringLiteral("UUID may only contain letters, digits and dashes.");
    case Kind::invalidGain:
        return QStringLiteral("Gain ") + quoted(text) + QStringLiteral(" is invalid — use ") +
               quoted(QStringLiteral("auto")) + QStringLiteral(" or a dB number like 43.9.");
    case Kind::invalidBeastPort:
        return QStringLiteral("localOutputs.beastPort ") + QString::number(number) +
               QStringLiteral(" is out of range 1–65535.");
    }
    return {};
}

std::variant<QString, ValidationError> ReadsbCommand::Connector::argumentValue() const
{
    if (host.isEmpty())
        return ValidationError::emptyHost(label);
    if (!isValidHost(host))
        return ValidationError::invalidHost(label, host);
    if (!isPortInRange(port))
        return ValidationError::invalidPort(label, port);
    if (!allowedProtocols().contains(protocolName))
        return ValidationError::invalidProtocol(label, protocolName);
    QString value = host + QLatin1Char(',') + QString::number(port) + QLatin1Char(',') + protocolName;
    if (uuid) {
        if (!isValidUuid(*uuid))
            return ValidationError::invalidUuid(label);
        value += QStringLiteral(",uuid=") + *uuid;
    }
    return value;
}

const QSet<QString>& ReadsbCommand::allowedProtocols()
{
    static const QSet<QString> protocols{QStringLiteral("beast_reduce_plus_out"),
                                         QStringLiteral("beast_out")};
    return protocols;
}

QList<ReadsbCommand::Connector> ReadsbCommand::connectors(const StationConfig& config,
                                                          const FeederConfig::Ingest& remoteIngest)
{
    QList<Connector> result;
    if (config.vireon.enabled) {
        const StationConfig::Vireon& primary = config.vireon;
        result.append(Connector{primaryId, primaryLabel, primary.host.value_or(remoteIngest.host),
                                primary.port.value_or(remoteIngest.port),
                                primary.protocolName.value_or(remoteIngest.protocolName), primary.uuid,
                                true});
    }
    for (const StationConfig::ExtraConnector& extra : config.extraConnectors) {
        if (!extra.enabled)
            continue;
        result.append(Connector{extra.id, extra.label.value_or(extra.id), extra.host, extra.port,
                                extra.protocolName, extra.uuid, false});
    }
    return result;
}

QList<MonitoredConnector> ReadsbCommand::monitored(const QList<Connector>& connectors)
{
    QList<MonitoredConnector> watched;
    for (const Connector& c : connectors)
        watched.append(MonitoredConnector{c.id, c.label, c.host, c.port, c.isVireon});
    return watched;
}

std::variant<QStringList, ValidationError> ReadsbCommand::arguments(const StationConfig& config,
                                                                    const FeederConfig::Ingest& remoteIngest,
                                                                    const QString& jsonDirectory)
{
    const QString& gain = config.station.gain;
    if (!isValidGain(gain))
        return ValidationError::invalidGain(gain);
    const qint64 beastPort = config.localOutputs.beastPort;
    if (!isPortInRange(beastPort))
        return ValidationError::invalidBeastPort(beastPort);

    QStringList arguments{
        QStringLiteral("--device-type"), QStringLiteral("rtlsdr"),
        QStringLiteral("--gain"),        gain,
        QStringLiteral("--lat"),         coordinate(config.station.lat),
        QStringLiteral("--lon"),         coordinate(config.station.lon),
        QStringLiteral("--net"),
    };
    for (const Connector& connector : connectors(config, remoteIngest)) {
        std::variant<QString, ValidationError> value = connector.argumentValue();
        if (const auto* error = std::get_if<ValidationError>(&value))
            return *error;
        arguments << QStringLiteral("--net-connector") << std::get<QString>(value);
    }
    arguments << QStringLiteral("--net-bo-port") << QString::number(beastPort)     //
              << QStringLiteral("--write-json") << jsonDirectory                   //
              << QStringLiteral("--write-json-every") << QStringLiteral("1")       //
              << QStringLiteral("--json-location-accuracy") << QStringLiteral("1") //
              << QStringLiteral("--stats-every") << QStringLiteral("60");
    return arguments;
}

bool ReadsbCommand::isValidHost(const QString& text)
{
    static const QRegularExpression host = whole("[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?");
    return !text.isEmpty() && host.match(text).hasMatch();
}

bool ReadsbCommand::isValidUuid(const QString& text)
{
    static const QRegularExpression uuid = whole("[A-Za-z0-9-]+");
    return !text.isEmpty() && text.size() <= 64 && uuid.match(text).hasMatch();
}

bool ReadsbCommand::isValidGain(const QString& text)
{
    static const QRegularExpression number = whole("[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?");
    return text == QLatin1String("auto") || number.match(text).hasMatch();
}

} // namespace vireon
