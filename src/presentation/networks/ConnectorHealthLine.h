#pragma once

#include "decoder/ConnectorHealth.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace vireon {

// One network's live connection as the settings show it: a coloured dot and a short line, with the
// decoder's full words as a tooltip. Station keys never show in full, as in the report.
struct ConnectorHealthLine {
    // off: nothing runs, and nothing is wrong.
    enum class Tone { connected, connecting, retrying, off };

    Tone tone = Tone::connecting;
    QString text;
    QString toolTip;

    // What fits on one line of the settings form in small type.
    static constexpr qsizetype maximumReasonLength = 48;

    // Absent while the decoder is not running or does not watch this connection (switched on since
    // the feed started, say).
    static std::optional<ConnectorHealthLine> make(bool feedingActive,
                                                   const QHash<QString, ConnectorHealth>& health,
                                                   const QString& connectorId, const QStringList& knownUuids);

    bool operator==(const ConnectorHealthLine&) const = default;
};

} // namespace vireon
