#pragma once

#include "platform/TimeSource.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QProcess;

namespace vireon {

// Asks a decoder executable once for its --help text, asynchronously, and remembers whether its
// --gain reads "auto", for as long as the file at that path keeps its modification time. An answer
// that does not come within `bound` counts as "does not read auto", which asks for the tuner's own
// automatic gain rather than the lowest gain.
class DecoderHelpProbe : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(bool readsAutoGain)>;

    static constexpr std::chrono::milliseconds bound{2000};

    explicit DecoderHelpProbe(TimeSource& time, QObject* parent = nullptr);
    ~DecoderHelpProbe() override;

    // Calls `answer` with what the decoder at `path` says, at once when it was asked before,
    // otherwise when its help has arrived or the bound has passed. Never waits.
    void ask(const QString& path, Answer answer);

    // What is known of the decoder at `path` as it is now on disk.
    std::optional<bool> known(const QString& path) const;

private:
    struct Pending {
        QProcess* process = nullptr;
        std::unique_ptr<Timer> timeout;
        QList<Answer> answers;
    };

    static QString keyOf(const QString& path);
    void settle(const QString& key, bool readsAutoGain);

    TimeSource& m_time;
    QHash<QString, bool> m_known;
    QHash<QString, std::shared_ptr<Pending>> m_pending;
};

} // namespace vireon
