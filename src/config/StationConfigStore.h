#pragma once

#include "config/StationConfig.h"

#include <QFileDevice>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <optional>

namespace vireon {

class TimeSource;

// Owns the one config.json: loads it into the StationConfig the application observes, merges the
// configuration back into the file on save, and tells where the decoder's JSON output goes.
// There is no file watching: the configuration is re-read only by reloadFromDisk(), while save()
// merges into what the file holds at that moment, so hand edits of keys it never writes survive.
class StationConfigStore : public QObject {
    Q_OBJECT
public:
    struct SaveError {
        QString message;
        QString errorDescription() const { return message; }
        bool operator==(const SaveError&) const = default;
    };

    explicit StationConfigStore(std::optional<QString> filePath = std::nullopt, QObject* parent = nullptr);
    // The clock only names the copy kept of an unreadable file.
    StationConfigStore(std::optional<QString> filePath, TimeSource& time, QObject* parent = nullptr);
    ~StationConfigStore() override;

    // $XDG_CONFIG_HOME (default ~/.config), then VireonFeeder/config.json.
    static QString defaultFilePath();

    const StationConfig& config() const { return m_config; }
    // Announces only a configuration that differs; writes nothing. Whoever changes the configuration
    // saves it, so there is one rule for when the file is written.
    void setConfig(const StationConfig& config);

    QString filePath() const { return m_filePath; }
    const QJsonObject& rawObject() const { return m_rawObject; }

    void reloadFromDisk();
    std::optional<SaveError> save();
    // Where the link the last save replaced pointed; that file was left as it was.
    const std::optional<QString>& replacedLinkTarget() const { return m_replacedLinkTarget; }

    // Absolute jsonDir as it is; a relative one lives next to config.json.
    QString jsonDirectory() const;

    static StationConfig parse(const QJsonObject& object);

    // What the store makes of a config.json's bytes, without the disk: loading and saving read the
    // file through this.
    struct FileContents {
        // Absent when the bytes are not a JSON object; a save then merges into the object last read.
        std::optional<QJsonObject> object;
        StationConfig config;
        // There is something in the file, but not a JSON object we can read: a save keeps it aside.
        bool unreadable = false;
    };
    static FileContents read(const QByteArray& bytes);

Q_SIGNALS:
    void changed();

private:
    void load();
    std::optional<SaveError> keepUnreadableCopy();
    std::optional<SaveError> replaceFile(const QByteArray& bytes, QFileDevice::Permissions mode);

    TimeSource& m_time;
    QString m_filePath;
    StationConfig m_config;
    QJsonObject m_rawObject;
    // The unreadable file on disk has been copied aside, but replacing it has not succeeded yet.
    bool m_unreadableCopyKept = false;
    std::optional<QString> m_replacedLinkTarget;
};

} // namespace vireon
