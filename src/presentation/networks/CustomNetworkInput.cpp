#include "presentation/networks/CustomNetworkInput.h"

#include "decoder/KeyTransmission.h"
#include "decoder/MlatCommand.h"
#include "decoder/ReadsbCommand.h"

#include <QRegularExpression>

namespace vireon {

std::optional<QString> CustomNetworkInput::problem() const
{
    if (host.isEmpty())
        return std::nullopt;
    if (!ReadsbCommand::isValidHost(host))
        return QStringLiteral("Host may contain letters, digits, dots and dashes only.");
    if (!parsePort(port))
        return QStringLiteral("Port must be a number between 1 and 65535.");
    if (!uuid.isEmpty() && !ReadsbCommand::isValidUuid(uuid))
        return QStringLiteral("UUID may contain letters, digits and dashes only.");
    if (!mlatServer.isEmpty() && !MlatCommand::parseServer(mlatServer))
        return QStringLiteral("MLAT server must be host:port, such as mlat.example.net:31090.");
    return std::nullopt;
}

std::optional<QString> CustomNetworkInput::keyWarning() const
{
    if (problem())
        return std::nullopt;
    return KeyTransmission::warning(uuid, protocolName, host);
}

std::optional<StationConfig::ExtraConnector> CustomNetworkInput::connector() const
{
    const std::optional<qint64> number = parsePort(port);
    if (!canAdd() || !number)
        return std::nullopt;
    const QString key = uuid.trimmed();
    StationConfig::ExtraConnector connector{
        QStringLiteral("custom-") + host.toLower() + QLatin1Char('-') + QString::number(*number),
        label.isEmpty() ? host : label,
        true,
        host,
        *number,
        protocolName,
        key.isEmpty() ? std::nullopt : std::optional<QString>(key),
    };
    connector.mlatServer = MlatCommand::parseServer(mlatServer);
    return connector;
}

std::optional<qint64> CustomNetworkInput::parsePort(const QString& text)
{
    // Digits only after the sign, so no blanks, decimal points or exponents slip through.
    static const QRegularExpression whole(QStringLiteral("\\A([+-]?)0*([0-9]+)\\z"));
    const QRegularExpressionMatch match = whole.match(text);
    // Past five significant digits it is out of range anyway, and converting it could overflow.
    if (!match.hasMatch() || match.capturedLength(2) > 5)
        return std::nullopt;
    const qint64 value = match.captured(2).toLongLong() * (match.captured(1) == QLatin1String("-") ? -1 : 1);
    if (value < 1 || value > 65535)
        return std::nullopt;
    return value;
}

QStringList CustomNetworkInput::protocolChoices()
{
    QStringList names = ReadsbCommand::allowedProtocols().values();
    names.sort();
    return names;
}

} // namespace vireon
