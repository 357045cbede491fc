#include "decoder/ConnectionFlapping.h"

namespace vireon {

bool ConnectionFlapping::established(const QString& id, const QDateTime& now)
{
    QList<QDateTime>& times = m_established[id];
    // Reports older than the window drop out, and so do "later" ones when the clock was set back.
    times.removeIf([&now](const QDateTime& t) { return t.secsTo(now) >= windowSeconds || t > now; });
    times.append(now);
    if (times.size() >= establishedToFlap || m_flapping.contains(id)) {
        m_flapping.insert(id, now);
        return true;
    }
    return false;
}

QStringList ConnectionFlapping::calmed(const QDateTime& now)
{
    QStringList ids;
    for (auto it = m_flapping.begin(); it != m_flapping.end();) {
        if (it.value().secsTo(now) >= windowSeconds) {
            ids.append(it.key());
            m_established.remove(it.key());
            it = m_flapping.erase(it);
        } else {
            ++it;
        }
    }
    return ids;
}

std::optional<QDateTime> ConnectionFlapping::nextCalm() const
{
    std::optional<QDateTime> next;
    for (const QDateTime& last : m_flapping) {
        const QDateTime calm = last.addSecs(windowSeconds);
        if (!next || calm < *next)
            next = calm;
    }
    return next;
}

void ConnectionFlapping::reset()
{
    m_established.clear();
    m_flapping.clear();
}

} // namespace vireon
