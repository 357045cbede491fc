#include "decoder/LogRingBuffer.h"

#include <algorithm>

namespace vireon {

LogRingBuffer::LogRingBuffer(qint64 capacity, qsizetype characterBudget)
    : m_capacity(std::max<qint64>(capacity, 0)), m_budget(characterBudget)
{}

void LogRingBuffer::append(const QString& line)
{
    if (m_capacity == 0)
        return;
    m_lines.append(line);
    m_characters += line.size();
    qsizetype excess = 0;
    qsizetype characters = m_characters;
    while (excess < m_lines.size() - 1 && (m_lines.size() - excess > m_capacity || characters > m_budget))
        characters -= m_lines[excess++].size();
    // Dropping from the front only moves the list's start, so a full buffer appends in constant time.
    if (excess > 0) {
        m_lines.remove(0, excess);
        m_characters = characters;
    }
}

} // namespace vireon
