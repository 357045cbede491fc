#include "config/StationConfigStore.h"

#include "config/StationConfigFile.h"
#include "platform/TimeSource.h"

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
constexpr qint64 kMaxFileSize = 8 * 1024 * 1024;

constexpr QFileDevice::Permissions kOwnerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;

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
    // The XDG variable is honoured even in Qt's test mode, so tests can point it at a temporary
    // directory; a relative value is invalid by the XDG rules and ignored.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QStringLiteral("/VireonFeeder/config.json");
}

void StationConfigStore::setConfig(const StationConfig& config)
{
    m_config = config;
    Q_EMIT changed();
}

void StationConfigStore::reloadFromDisk()
{
    load();
    Q_EMIT changed();
}

void StationConfigStore::load()
{
    std::optional<QJsonObject> object;
    bool unreadable = false;
    const QFileInfo info(m_filePath);
    if (info.isFile()) {
        QFile file(m_filePath);
        if (info.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
            unreadable = true;
        } else {
            const QByteArray bytes = file.read(kMaxFileSize + 1);
            object = StationConfigFile::decode(bytes);
            // An empty file holds nothing worth keeping.
            unreadable = !object && (!bytes.isEmpty() || file.error() != QFileDevice::NoError);
        }
    }
    m_config = object ? StationConfigFile::parse(*object) : StationConfig();
    m_rawObject = object.value_or(QJsonObject());
    m_unreadableFileOnDisk = unreadable;
}

std::optional<StationConfigStore::SaveError> StationConfigStore::save()
{
    // rawObject moves ahead of the file even if the write below fails.
    m_rawObject = StationConfigFile::merge(m_config, m_rawObject);

    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath())) {
        const int code = errno;
        return SaveError{qt_error_string(code)};
    }
    const QByteArray bytes = StationConfigFile::encode(m_rawObject);

    if (std::optional<SaveError> error = keepUnreadableCopy())
        return error;

    const bool creating = !QFileInfo::exists(m_filePath);
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return SaveError{file.errorString()};
    // The file holds the station key. QSaveFile carries an existing file's mode over; a new one must
    // not be world-readable, and it gets its mode before it appears under its name.
    if (creating && !file.setPermissions(kOwnerOnly))
        return SaveError{file.errorString()};
    if (file.write(bytes) != bytes.size() || !file.commit())
        return SaveError{file.errorString()};
    return std::nullopt;
}

std::optional<StationConfigStore::SaveError> StationConfigStore::keepUnreadableCopy()
{
    if (!m_unreadableFileOnDisk)
        return std::nullopt;
    if (!QFileInfo::exists(m_filePath)) {
        m_unreadableFileOnDisk = false;
        return std::nullopt;
    }

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
        QFile::setPermissions(candidate, kOwnerOnly);
        m_unreadableFileOnDisk = false;
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

void StationConfigStore::setStation(const StationConfig::Station& station)
{
    m_config.station = station;
    Q_EMIT changed();
    save(); // every caller ignores a failing write
}

void StationConfigStore::setStationName(const QString& name)
{
    StationConfig::Station station = m_config.station;
    station.name = name;
    setStation(station);
}

void StationConfigStore::setStationLat(double lat)
{
    StationConfig::Station station = m_config.station;
    station.lat = lat;
    setStation(station);
}

void StationConfigStore::setStationLon(double lon)
{
    StationConfig::Station station = m_config.station;
    station.lon = lon;
    setStation(station);
}

void StationConfigStore::setStationGain(const QString& gain)
{
    StationConfig::Station station = m_config.station;
    station.gain = gain;
    setStation(station);
}

} // namespace vireon
