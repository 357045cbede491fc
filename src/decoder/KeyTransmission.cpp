#include "decoder/KeyTransmission.h"

namespace vireon {

bool KeyTransmission::protocolSendsKey(const QString& protocolName, const QString& host)
{
    // The decoder's own test, byte for byte: case matters and any host holding both pieces counts.
    return protocolName == QLatin1String("beast_reduce_plus_out") ||
           (host.contains(QLatin1String("feed")) && host.contains(QLatin1String(".adsbexchange.com")));
}

std::optional<QString> KeyTransmission::warning(const QString& key, const QString& protocolName,
                                                const QString& host)
{
    if (key.isEmpty())
        return std::nullopt;
    if (!protocolSendsKey(protocolName, host)) {
        if (protocolName == QLatin1String("beast_out"))
            return QStringLiteral("beast_out sends no key; choose beast_reduce_plus_out to be attributed.");
        return std::nullopt; // a protocol the decoder is not given at all; validation names it
    }
    // The decoder counts bytes; a key with other than ASCII characters is refused by validation.
    const qsizetype length = key.toUtf8().size();
    if (length < shortestSent)
        return QStringLiteral(
            "This key is not sent: the decoder sends only keys of 28 to 36 characters; networks "
            "expect a 36-character UUID.");
    if (length < sentLength)
        return QStringLiteral(
            "This key is sent padded with \u201cf\u201d to 36 characters; networks expect a "
            "36-character UUID.");
    if (length > sentLength)
        return QStringLiteral("Only the first 36 characters of this key are sent.");
    return std::nullopt;
}

std::optional<QString> KeyTransmission::primaryWarning(const StationConfig& station,
                                                       const FeederConfig::Ingest& ingest)
{
    return warning(station.vireon.uuid.value_or(QString()),
                   station.vireon.protocolName.value_or(ingest.protocolName),
                   station.vireon.host.value_or(ingest.host));
}

std::optional<QString> KeyTransmission::extraWarning(const StationConfig::ExtraConnector& connector)
{
    return warning(connector.uuid.value_or(QString()), connector.protocolName, connector.host);
}

QStringList KeyTransmission::launchLogLines(const QStringList& arguments,
                                            const QList<MonitoredConnector>& connectors)
{
    QStringList lines;
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) != QLatin1String("--net-connector"))
            continue;
        const QStringList fields = arguments.at(++i).split(u',');
        if (fields.size() < 3)
            continue;
        QString key;
        for (const QString& field : fields.sliced(3)) {
            if (field.startsWith(QLatin1String("uuid=")))
                key = field.sliced(5);
        }
        const std::optional<QString> text = warning(key, fields.at(2), fields.at(0));
        if (!text)
            continue;
        QString label = fields.at(0) + u':' + fields.at(1);
        for (const MonitoredConnector& connector : connectors) {
            if (connector.host.compare(fields.at(0), Qt::CaseInsensitive) == 0 &&
                QString::number(connector.port) == fields.at(1)) {
                label = connector.label + QStringLiteral(" (") + label + u')';
                break;
            }
        }
        lines.append(QStringLiteral("supervisor: ") + label + QStringLiteral(": ") + *text);
    }
    return lines;
}

} // namespace vireon
