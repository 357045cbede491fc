#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace vireon {

struct RegularFile {
    RegularFile() = delete;

    // The whole content of a regular file of at most maxBytes; none for anything else: missing,
    // unreadable, too large, or not a regular file (a FIFO or device node of that name would block
    // the GUI thread or never end). Reads no more than the file holds, not the limit.
    static std::optional<QByteArray> read(const QString& path, qint64 maxBytes);
};

} // namespace vireon
