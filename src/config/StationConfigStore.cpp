#include "config/StationConfigStore.h"

#include "config/StationConfigFile.h"
#include "platform/RegularFile.h"
#include "platform/TimeSource.h"
#include "platform/UserConfigDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>

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

    const bool creating = !QFileInfo::exists(m_filePath);
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return SaveError{file.errorString()};
    // The file holds the station key. QSaveFile carries an existing file's mode over; a new one must
    // not be world-readable, and it gets its mode before it appears under its name.
    if (creating && !file.setPermissions(ownerOnly))
        return SaveError{file.errorString()};
    if (file.write(bytes) != bytes.size() || !file.commit())
        return SaveError{file.errorString()};
    m_unreadableCopyKept = false;
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
