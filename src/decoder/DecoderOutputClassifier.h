#pragma once

#include "decoder/ConnectionFlapping.h"
#include "decoder/ConnectorHealth.h"
#include "decoder/MonitoredConnector.h"
#include "decoder/StickProblem.h"
#include "decoder/SupervisorFailure.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vireon {

class LogRingBuffer;

// Turns the decoder's standard error into state: splits the byte stream into lines, logs every
// line, and recognises the phrases that say a connection came up or failed and that the stick is
// busy or missing. The supervisor embeds one; it needs no process, so it can be exercised alone.
class DecoderOutputClassifier {
public:
    // A decoder that never ends a line must not exhaust memory: unterminated text is cut into lines
    // of at most this many bytes.
    static constexpr qsizetype maxLineBytes = 64 * 1024;

    explicit DecoderOutputClassifier(LogRingBuffer& log);
    Q_DISABLE_COPY_MOVE(DecoderOutputClassifier)

    // Where "now" comes from for the flapping window; the wall clock unless set.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // The connections to watch. Should an id repeat, the first connector with it is kept.
    void setConnectors(QList<MonitoredConnector> connectors);
    const QList<MonitoredConnector>& connectors() const { return m_connectors; }

    // Takes one chunk as read from the pipe. Bytes after the last newline wait for the next chunk,
    // across decoder exits and launches. Returns true when health or the last error was assigned.
    bool feed(QByteArrayView chunk);

    // Takes one line of text (without its newline). Returns true as feed() does.
    bool handleLine(const QString& line);

    // Every watched connector back to connecting; entries of unwatched ones go. The flapping window
    // starts afresh.
    void resetHealth();

    // Connections that flapped and have had no established report for a minute are connected
    // again. Returns true when health or the last error was assigned.
    bool calm();
    // When calm() next has something to do.
    std::optional<QDateTime> nextCalm() const { return m_flapping.nextCalm(); }

    const QHash<QString, ConnectorHealth>& health() const { return m_health; }
    const std::optional<QString>& lastConnectorError() const { return m_lastConnectorError; }
    std::optional<SupervisorFailure> pendingFailure() const { return m_pendingFailure; }
    // Clears the pending failure and the stick's cause with it: both belong to one run.
    void clearPendingFailure()
    {
        m_pendingFailure.reset();
        m_stickProblem.reset();
    }

    // The cause of a stick failure, when the current run's lines named one.
    std::optional<StickProblem> stickProblem() const { return m_stickProblem; }

    // The version the decoder named on its "readsb version: " line, the last one seen.
    const std::optional<QString>& decoderVersion() const { return m_decoderVersion; }
    void forgetDecoderVersion() { m_decoderVersion.reset(); }

    // True when the primary network's first connector is reported established.
    bool vireonConnectorUp() const;

    // Bytes of an unfinished line held for the next chunk (always below maxLineBytes).
    qsizetype pendingBytes() const { return m_pending.size(); }

private:
    bool handleLineBytes(QByteArrayView bytes);
    bool classify(const QString& line);
    const MonitoredConnector* connectorMentionedIn(std::string_view lowered) const;
    void noteIdentity(const QString& line);

    LogRingBuffer& m_log;
    QList<MonitoredConnector> m_connectors;
    // The hosts in lower case, parallel to m_connectors, with search tables that point into them.
    std::vector<std::string> m_hosts;
    std::vector<std::boyer_moore_horspool_searcher<std::string::const_iterator>> m_hostSearchers;
    QHash<QString, ConnectorHealth> m_health;
    std::optional<QString> m_lastConnectorError;
    std::optional<SupervisorFailure> m_pendingFailure;
    std::optional<StickProblem> m_stickProblem;
    std::optional<QString> m_decoderVersion;
    ConnectionFlapping m_flapping;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTimeUtc(); };
    QByteArray m_pending;
    QStringDecoder m_decoder;
    std::string m_lowered; // the current line in lower case, UTF-8; reused to avoid allocations
};

} // namespace vireon
