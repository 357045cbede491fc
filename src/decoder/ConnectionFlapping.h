#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vireon {

// A network that accepts the connection and drops it at once makes the decoder report nothing but
// "Connection established" again and again (the reset itself is only reported with its network
// debugging on), so the connection would look up while no data arrives. This counts established
// reports per connection: three or more within a minute mark it as flapping, until a minute passes
// without a new one.
class ConnectionFlapping {
public:
    static constexpr qint64 windowSeconds = 60;
    static constexpr qsizetype establishedToFlap = 3;

    static inline const QString reason = QStringLiteral("The network keeps closing the connection");

    // Records an established report; returns whether the connection is now flapping.
    bool established(const QString& id, const QDateTime& now);

    bool isFlapping(const QString& id) const { return m_flapping.contains(id); }

    // The connections that have been calm for a minute by `now`; they stop flapping.
    QStringList calmed(const QDateTime& now);

    // When the next flapping connection will have been calm for a minute.
    std::optional<QDateTime> nextCalm() const;

    // A fresh window, as at each launch of the decoder.
    void reset();

private:
    QHash<QString, QList<QDateTime>> m_established;
    QHash<QString, QDateTime> m_flapping; // id -> its last established report
};

} // namespace vireon
