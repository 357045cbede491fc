#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>

namespace vireon {

std::optional<QByteArray> RegularFile::read(const QString& path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // In chunks until the end rather than read(maxBytes + 1), which would reserve the whole limit on
    // every call; the reported size is no bound either (sysfs reports 4096 for every attribute, and a
    // file may grow while it is read).
    constexpr qint64 chunkSize = 64 * 1024;
    QByteArray bytes;
    for (;;) {
        const QByteArray chunk = file.read(std::min(chunkSize, maxBytes + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
        if (bytes.size() > maxBytes)
            return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace vireon
