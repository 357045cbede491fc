#include "config/StationConfigStore.h"

#include "config/StationConfigFile.h"
#include "platform/RegularFile.h"
#include "platform/TimeSource.h"
#include "platform/UserConfigDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace vireon {
namespace {

// config.json is a few kilobytes; anything near this size is not ours, and reading it whole could
// exhaust memory.
constexpr qint64 maxFileSize = 8 * 1024 * 1024;

constexpr QFileDevice::Permissions ownerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;

// A file that is missing reads as nothing; one that is there but cannot be read (too large, not
// readable) as unreadable, like bytes that are not a JSON object.
StationConfigStore::FileContents readConfigFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return {};
    if (const std::optional<QByteArray> bytes = RegularFile::read(path, maxFileSize))
        return StationConfigStore::read(*bytes);
    return {std::nullopt, StationConfig(), true};
}

} // namespace

StationConfigStore::StationConfigStore(std::optional<QString> filePath, QObject* parent)
    : StationConfigStore(std::move(filePath), TimeSource::system(), parent)
{}

StationConfigStore::StationConfigStore(std::optional<QString> filePath, TimeSource& time, QObject* parent)
    : QObject(parent), m_time(time),
      m_filePath(QFileInfo(filePath.value_or(defaultFilePath())).absoluteFilePath())
{
    load();
}

StationConfigStore::~StationConfigStore() = default;

QString StationConfigStore::defaultFilePath()
{
    return UserConfigDirectory::path() + QStringLiteral("/VireonFeeder/config.json");
}

void StationConfigStore::setConfig(const StationConfig& config)
{
    if (m_config == config)
        return;
    m_config = config;
    Q_EMIT changed();
}

void StationConfigStore::reloadFromDisk()
{
    const StationConfig before = m_config;
    load();
    if (m_config != before)
        Q_EMIT changed();
}

void StationConfigStore::load()
{
    FileContents disk = readConfigFile(m_filePath);
    m_config = std::move(disk.config);
    m_rawObject = disk.object.value_or(QJsonObject());
}

std::optional<StationConfigStore::SaveError> StationConfigStore::save()
{
    // Merging into what the file holds now, not only into what was last read, keeps the hand edits
    // made since then of every key this application never writes (local outputs, unknown keys).
    m_replacedLinkTarget.reset();
    const FileContents disk = readConfigFile(m_filePath);
    if (disk.object)
        m_rawObject = *disk.object;
    // rawObject moves ahead of the file even if the write below fails.
    m_rawObject = StationConfigFile::merge(m_config, m_rawObject);

    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath())) {
        const int code = errno;
        return SaveError{qt_error_string(code)};
    }
    const QByteArray bytes = StationConfigFile::encode(m_rawObject);

    // A file we cannot read is never replaced without a copy kept beside it: a typo must not cost
    // the user the station key and the network list.
    if (disk.unreadable && !m_unreadableCopyKept) {
        if (std::optional<SaveError> error = keepUnreadableCopy())
            return error;
        m_unreadableCopyKept = true;
    }

    // A link in config.json's place is replaced by a file of our own: writing through it would put
    // the station key into whatever file it points at.
    const QFileInfo existing(m_filePath);
    const std::optional<QString> linkTarget =
        existing.isSymLink() ? std::optional(existing.symLinkTarget()) : std::nullopt;
    if (std::optional<SaveError> error = replaceFile(bytes, linkTarget ? ownerOnly : existing.permissions()))
        return error;
    m_unreadableCopyKept = false;
    m_replacedLinkTarget = linkTarget;
    return std::nullopt;
}

// Written in full to a temporary file beside it and renamed over it, so a full disk or a crash leaves
// the previous file as it was, never half a file. QSaveFile would do the same but write through a
// link to its target.
std::optional<StationConfigStore::SaveError> StationConfigStore::replaceFile(const QByteArray& bytes,
                                                                             QFileDevice::Permissions mode)
{
    QTemporaryFile file(m_filePath + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return SaveError{file.errorString()};
    // The file holds the station key: a new one is never readable by others, not even for a moment.
    if (!file.setPermissions(mode == QFileDevice::Permissions() ? ownerOnly : mode))
        return SaveError{file.errorString()};
    // Straight to the descriptor: a disk that fills up mid-write first takes part of the bytes
    // without an error, and QFile then reports the short write as an unknown error. Only the write of
    // the rest says why, and that reason is what the user gets to read.
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(file.handle(), bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return SaveError{qt_error_string(n < 0 ? errno : ENOSPC)};
        written += n;
    }
    if (::fsync(file.handle()) != 0 || ::rename(QFile::encodeName(file.fileName()).constData(),
                                                QFile::encodeName(m_filePath).constData()) != 0)
        return SaveError{qt_error_string(errno)};
    file.setAutoRemove(false);
    return std::nullopt;
}

std::optional<StationConfigStore::SaveError> StationConfigStore::keepUnreadableCopy()
{
    const QString stem = m_filePath + QStringLiteral(".unreadable-") +
                         m_time.now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString candidate = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
        const QFileInfo existing(candidate);
        if (existing.exists() || existing.isSymLink())
            continue;
        QFile source(m_filePath);
        if (!source.copy(candidate))
            return SaveError{source.errorString()};
        QFile::setPermissions(candidate, ownerOnly); // it may well hold the station key
        return std::nullopt;
    }
    return SaveError{QStringLiteral("File exists")};
}

QString StationConfigStore::jsonDirectory() const
{
    const QString& directory = m_config.localOutputs.jsonDir;
    if (directory.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(directory);
    return QDir::cleanPath(QFileInfo(m_filePath).absolutePath() + QLatin1Char('/') + directory);
}

StationConfig StationConfigStore::parse(const QJsonObject& object)
{
    return StationConfigFile::parse(object);
}

StationConfigStore::FileContents StationConfigStore::read(const QByteArray& bytes)
{
    FileContents contents;
    contents.object = StationConfigFile::decode(bytes);
    if (contents.object)
        contents.config = StationConfigFile::parse(*contents.object);
    // An empty file holds nothing worth keeping.
    contents.unreadable = !contents.object && !bytes.isEmpty();
    return contents;
}

} // namespace vireon
