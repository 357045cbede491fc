#pragma once

#include <QStringList>

namespace vireon {

// The most recent decoder and supervisor lines, oldest first, kept in memory for the diagnostics
// report. Lines are stored exactly as given.
class LogRingBuffer {
public:
    // A negative capacity keeps nothing, like 0.
    explicit LogRingBuffer(qint64 capacity);

    void append(const QString& line);

    const QStringList& lines() const { return m_lines; }
    qint64 capacity() const { return m_capacity; }

    bool operator==(const LogRingBuffer&) const = default;

private:
    QStringList m_lines;
    qint64 m_capacity;
};

} // namespace vireon
