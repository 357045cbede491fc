#pragma once

#include <QStringList>

namespace vireon {

// The most recent decoder and supervisor lines, oldest first, kept in memory for the diagnostics
// report. Lines are stored exactly as given.
class LogRingBuffer {
public:
    // What all kept lines may hold together: some thousand ordinary lines, yet a decoder that writes
    // nothing but 64 KiB lines keeps 2 MB of them rather than its line capacity's 64 MB.
    static constexpr qsizetype defaultCharacterBudget = 1024 * 1024;

    // A negative capacity keeps nothing, like 0. The newest line is kept even when it alone is over
    // the budget.
    explicit LogRingBuffer(qint64 capacity, qsizetype characterBudget = defaultCharacterBudget);

    void append(const QString& line);

    const QStringList& lines() const { return m_lines; }
    qint64 capacity() const { return m_capacity; }

    bool operator==(const LogRingBuffer&) const = default;

private:
    QStringList m_lines;
    qint64 m_capacity;
    qsizetype m_budget;
    qsizetype m_characters = 0;
};

} // namespace vireon
