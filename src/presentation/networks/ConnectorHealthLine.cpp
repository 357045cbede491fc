#include "presentation/networks/ConnectorHealthLine.h"

#include "app/Redaction.h"

namespace vireon {
namespace {

QString oneLine(const QString& reason)
{
    QString line = reason.section(QLatin1Char('\n'), 0, 0).simplified();
    if (line.size() > ConnectorHealthLine::maximumReasonLength)
        line = line.left(ConnectorHealthLine::maximumReasonLength - 1) + QChar(0x2026);
    return line;
}

} // namespace

std::optional<ConnectorHealthLine> ConnectorHealthLine::make(bool feedingActive,
                                                             const QHash<QString, ConnectorHealth>& health,
                                                             const QString& connectorId,
                                                             const QStringList& knownUuids)
{
    const auto it = health.constFind(connectorId);
    if (!feedingActive || it == health.constEnd())
        return std::nullopt;
    switch (it->kind) {
    case ConnectorHealth::Kind::connected:
        return ConnectorHealthLine{Tone::connected, QStringLiteral("Connected"), {}};
    case ConnectorHealth::Kind::connecting:
        return ConnectorHealthLine{Tone::connecting, QStringLiteral("Connecting\u2026"), {}};
    case ConnectorHealth::Kind::retrying: {
        const QString reason = Redaction::redacted(it->reason, knownUuids);
        return ConnectorHealthLine{Tone::retrying, QStringLiteral("Retrying \u2014 ") + oneLine(reason),
                                   reason};
    }
    }
    return std::nullopt;
}

} // namespace vireon
