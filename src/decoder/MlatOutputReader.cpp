#include "decoder/MlatOutputReader.h"

#include <algorithm>

namespace vireon {
namespace {

constexpr qsizetype longestLine = 4096;

// systemd's priority prefix ("<3>") means nothing to us or to the log.
bool hasPriorityPrefix(const QString& text)
{
    return text.size() >= 3 && text[0] == u'<' && text[1] >= u'0' && text[1] <= u'7' && text[2] == u'>';
}

} // namespace

bool MlatOutputReader::feed(const QByteArray& bytes)
{
    m_partial += bytes;
    bool changed = false;
    qsizetype start = 0;
    for (qsizetype end = m_partial.indexOf('\n'); end >= 0; end = m_partial.indexOf('\n', start)) {
        changed |= line(QString::fromUtf8(m_partial.mid(start, end - start)));
        start = end + 1;
    }
    m_partial.remove(0, start);
    // A client that never ends its line must not grow the buffer without bound.
    if (m_partial.size() > longestLine) {
        changed |= line(QString::fromUtf8(m_partial.left(longestLine)));
        m_partial.clear();
    }
    return changed;
}

bool MlatOutputReader::flush()
{
    if (m_partial.isEmpty())
        return false;
    const QByteArray rest = std::exchange(m_partial, {});
    return line(QString::fromUtf8(rest));
}

void MlatOutputReader::reset(const QString& server)
{
    const QString at = QLatin1Char(' ') + server;
    m_serverPhrases = {QStringLiteral("Lost connection to") + at, QStringLiteral("Disconnecting from") + at,
                       QStringLiteral("Connection to") + at + QLatin1Char(' ')};
    m_partial.clear();
    m_link = {};
    m_collectingRefusal = false;
}

bool MlatOutputReader::aboutServer(const QString& text) const
{
    return text.startsWith(QLatin1String("Connected to multilateration server")) ||
           std::any_of(m_serverPhrases.begin(), m_serverPhrases.end(),
                       [&](const QString& phrase) { return text.startsWith(phrase); });
}

bool MlatOutputReader::line(const QString& raw)
{
    // A line that came whole in one large read is held to the same bound as an unterminated one.
    QString text = raw.left(longestLine);
    if (hasPriorityPrefix(text))
        text.remove(0, 3);
    if (text.endsWith(u'\r'))
        text.chop(1);
    m_log.append(text);

    const MlatLink before = m_link;
    if (m_collectingRefusal && text.startsWith(QLatin1String("  "))) {
        m_link.refusal.append(text.trimmed());
        return m_link != before;
    }
    m_collectingRefusal = false;

    using Phase = MlatLink::Phase;
    if (text.startsWith(QLatin1String("Server explicitly rejected our connection"))) {
        m_link = MlatLink{Phase::refused, {}};
        m_collectingRefusal = true;
    } else if (text.startsWith(QLatin1String("Handshake complete"))) {
        m_link = MlatLink{Phase::connected, {}};
    } else if (m_link.phase != Phase::refused && aboutServer(text)) {
        // Handshaking, or the link went and the client tries again; the input's own reconnects
        // ("Connection to 127.0.0.1:30005 failed") say nothing about the server.
        m_link.phase = Phase::connecting;
    } else if (m_link.phase == Phase::starting && text.contains(QLatin1String("starting up"))) {
        m_link.phase = Phase::connecting;
    }
    return m_link != before;
}

} // namespace vireon
