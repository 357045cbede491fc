#include "StandardError.h"

#include <QDateTime>
#include <cerrno>
#include <unistd.h>

void writeRaw(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

void writeLine(const QString& line)
{
    writeRaw(line.toUtf8() + '\n');
}

QString stamped(const QString& text)
{
    return QStringLiteral("[%1 UTC] %2")
        .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), text);
}
