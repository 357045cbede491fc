#include "support/ChildProcesses.h"

#include <QDir>
#include <QFile>

namespace vireon::test {

QList<ChildProcesses::Child> ChildProcesses::of(pid_t parent)
{
    QList<Child> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const pid_t pid = pid_t(entry.toInt(&numeric));
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // gone meanwhile
        // "pid (name) state ppid ...": the name may hold spaces and parentheses, so the fields are
        // read from the last closing parenthesis on.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('(');
        const qsizetype close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() < 2 || fields[1].toInt() != parent)
            continue;
        children.append(
            Child{pid, QString::fromUtf8(line.mid(open + 1, close - open - 1)), fields[0] == "Z"});
    }
    return children;
}

qsizetype ChildProcesses::countNamed(const QString& name, pid_t parent)
{
    const QList<Child> children = of(parent);
    return std::count_if(children.begin(), children.end(), [&](const Child& c) { return c.name == name; });
}

} // namespace vireon::test
