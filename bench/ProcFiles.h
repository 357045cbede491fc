#pragma once

// Shared by the benchmarks that read a process's figures from /proc.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vireon::bench {

// A file of /proc/<pid>/ ("self" for this process), empty when it cannot be read.
inline QByteArray readProc(const QString& pid, const char* file)
{
    QFile in(QStringLiteral("/proc/%1/%2").arg(pid, QLatin1String(file)));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// The number after a "Name:" line of /proc/<pid>/status or smaps_rollup (kB for sizes); -1 when the
// line is missing.
inline qint64 procField(const QByteArray& text, const QByteArray& name)
{
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// User and system CPU ticks from /proc/<pid>/stat: its fields 14 and 15, counted after the command
// name, which may hold spaces.
inline qint64 cpuTicks(const QString& pid)
{
    const QByteArray stat = readProc(pid, "stat");
    const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return rest.value(11).toLongLong() + rest.value(12).toLongLong();
}

} // namespace vireon::bench
