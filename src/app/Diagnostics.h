#pragma once

#include <QString>

namespace vireon {

class AppState;
class ReadsbSupervisor;

// The plain-text support report: versions, decoder state, connections with their health, the
// station settings that matter, live figures, sticks on USB and the decoder's recent output. Station
// keys are shortened and the position rounded so the report can be shared.
struct Diagnostics {
    static QString report(const AppState& state);

    // A station key as the report shows it: its first 8 characters and "…" when longer.
    static QString shortenedUuid(const QString& uuid);

    // Which decoder runs or would run: its path and the version it named, "?" before it has named
    // one, "(not found)" when there is none.
    static QString decoderLine(const ReadsbSupervisor& supervisor);

    // The text with every "uuid=<value>" and every occurrence of a known key shortened.
    static QString redacted(QString text, const QStringList& knownUuids);
};

} // namespace vireon
