#pragma once

#include "config/StationConfig.h"

#include <QString>
#include <QStringList>

namespace vireon {

// Station keys as anything the user may share shows them: the first 8 characters and "…". The
// report and the live health lines both quote the decoder, whose own lines repeat the keys.
struct Redaction {
    Redaction() = delete;

    static constexpr qsizetype shownUuidLength = 8;

    // A key as it may be shown: its first 8 characters and "…" when longer.
    static QString shortenedUuid(const QString& uuid);
    // The text with every "uuid=<value>" and every occurrence of a known key shortened.
    static QString redacted(QString text, const QStringList& knownUuids);
    // Every key config.json holds.
    static QStringList stationKeys(const StationConfig& station);
};

} // namespace vireon
