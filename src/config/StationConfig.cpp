#include "config/StationConfig.h"

namespace vireon {

std::optional<QString> StationConfig::normalizeStationKey(const QString& text)
{
    static const QString marker = QStringLiteral("uuid=");

    QString key = text.trimmed();
    // People paste whole connector lines ("host,port,protocol,uuid=KEY,more"); only the key counts.
    const qsizetype at = key.indexOf(marker);
    if (at >= 0) {
        const QString afterMarker = key.mid(at + marker.size());
        const QStringList pieces = afterMarker.split(QLatin1Char(','), Qt::SkipEmptyParts);
        key = (pieces.isEmpty() ? afterMarker : pieces.first()).trimmed();
    }
    if (key.isEmpty())
        return std::nullopt;
    return key;
}

} // namespace vireon
