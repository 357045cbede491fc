#include "app/Redaction.h"

#include <QRegularExpression>
#include <algorithm>

namespace vireon {

QString Redaction::shortenedUuid(const QString& uuid)
{
    if (uuid.size() <= shownUuidLength)
        return uuid;
    return uuid.left(shownUuidLength) + QChar(0x2026);
}

QStringList Redaction::stationKeys(const StationConfig& station)
{
    QStringList uuids;
    if (station.vireon.uuid)
        uuids.append(*station.vireon.uuid);
    for (const auto& extra : station.extraConnectors) {
        if (extra.uuid)
            uuids.append(*extra.uuid);
    }
    return uuids;
}

QString Redaction::redacted(QString text, const QStringList& knownUuids)
{
    // The decoder repeats its whole command line, station key included, as its first line.
    static const QRegularExpression uuidOption(QStringLiteral("(uuid=)([^,\\s]+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString result;
    qsizetype from = 0;
    for (auto it = uuidOption.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        result += QStringView(text).mid(from, match.capturedStart(2) - from);
        result += shortenedUuid(match.captured(2));
        from = match.capturedEnd(2);
    }
    result += QStringView(text).mid(from);

    // Longest first, so a key that contains another is not half-shortened.
    QStringList keys = knownUuids;
    std::sort(keys.begin(), keys.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& key : keys) {
        if (key.size() > shownUuidLength)
            result.replace(key, shortenedUuid(key));
    }
    return result;
}

} // namespace vireon
