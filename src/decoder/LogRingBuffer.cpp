#include "decoder/LogRingBuffer.h"

#include <algorithm>

namespace vireon {

LogRingBuffer::LogRingBuffer(qint64 capacity) : m_capacity(std::max<qint64>(capacity, 0)) {}

void LogRingBuffer::append(const QString& line)
{
    m_lines.append(line);
    // Dropping from the front only moves the list's start, so a full buffer appends in constant time.
    const qint64 excess = m_lines.size() - m_capacity;
    if (excess > 0)
        m_lines.remove(0, excess);
}

} // namespace vireon
