#pragma once

#include "decoder/LogRingBuffer.h"

#include <QByteArray>
#include <QStringList>

namespace vireon {

// How one mlat-client's connection to its server stands, as its own words tell.
struct MlatLink {
    enum class Phase { starting, connecting, connected, refused };
    Phase phase = Phase::starting;
    // What the server said when it refused the station, one line a reason.
    QStringList refusal;
    bool operator==(const MlatLink&) const = default;
};

// Reads one mlat-client's standard error: keeps each whole line in the log and follows the
// connection from the lines that matter. A refusal stands until a handshake succeeds: the client
// keeps retrying, and most retries are refused for the same reason, often without saying it again.
class MlatOutputReader {
public:
    explicit MlatOutputReader(LogRingBuffer& log) : m_log(log) {}

    // True when the link changed.
    bool feed(const QByteArray& bytes);
    // The unterminated rest, once the process has ended.
    bool flush();
    // Starts afresh for a client of this server (host:port): only lines about it move the link.
    void reset(const QString& server);

    const MlatLink& link() const { return m_link; }

private:
    bool line(const QString& text);
    bool aboutServer(const QString& text) const;

    LogRingBuffer& m_log;
    // The phrases that name this client's server, made once per server rather than per line.
    QStringList m_serverPhrases;
    QByteArray m_partial;
    MlatLink m_link;
    bool m_collectingRefusal = false;
};

} // namespace vireon
