#pragma once

#include <QByteArray>
#include <QString>

// Unbuffered writes to standard error, so every write reaches the pipe as one chunk, in order.
void writeRaw(const QByteArray& bytes);
void writeLine(const QString& line);
// "[2026-12-06 19:25:05.090 UTC] " as the real decoder stamps its own lines.
QString stamped(const QString& text);
