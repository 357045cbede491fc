#include "config/StationConfigFile.h"
#include "config/StationConfigStore.h"
#include "support/ManualTimeSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using vireon::StationConfig;
using vireon::StationConfigFile;
using vireon::StationConfigStore;
using vireon::test::ManualTimeSource;

namespace {
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
void writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}
QJsonObject fileObject(const QString& path)
{
    return StationConfigFile::decode(readAll(path)).value_or(QJsonObject());
}
mode_t modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
}
} // namespace

class TestStationConfigStore : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_path;

    QStringList unreadableCopies() const
    {
        return QDir(QFileInfo(m_path).absolutePath())
            .entryList({"config.json.unreadable-*"}, QDir::Files, QDir::Name);
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_home->path().toUtf8());
        m_path = m_home->filePath("VireonFeeder/config.json");
    }

    void aFirstRunCreatesNothingUntilTheFirstSaveWhichIsOwnerOnly()
    {
        QCOMPARE(StationConfigStore::defaultFilePath(), m_path);
        StationConfigStore store;
        QCOMPARE(store.config(), StationConfig());
        QVERIFY(store.rawObject().isEmpty());
        QVERIFY(!QFileInfo::exists(QFileInfo(m_path).absolutePath()));

        QCOMPARE(store.save(), std::nullopt);
        QCOMPARE(modeOf(m_path), mode_t(0600));
        QCOMPARE(fileObject(m_path), store.rawObject());
        QCOMPARE(store.rawObject().value("schemaVersion"), 1);
        QCOMPARE(store.rawObject().value("extraConnectors"),
                 QJsonArray{StationConfigFile::templateConnector()});

        // Not loaded since, the record still has no connectors and the file now has the key.
        QCOMPARE(store.save(), std::nullopt);
        QCOMPARE(fileObject(m_path).value("extraConnectors"), QJsonArray());
    }

    void loadingAFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("copied");
        const QByteArray keyed =
            "{\"vireon\":{\"uuid\":\"4b1a5c3e-0d2f-4e6a-9b8c-7d6e5f4a3b2c\"},\"station\":{\"name\":\"";
        QTest::newRow("valid JSON is read and never copied") << keyed + "Roof\"}}" << true << false;
        QTest::newRow("a typo makes defaults, and the file is kept aside")
            << keyed + "Roof\"},}" << false << true;
        QTest::newRow("a top-level array makes defaults, kept aside") << QByteArray("[{}]") << false << true;
        QTest::newRow("invalid UTF-8 inside a string makes defaults, kept aside")
            << keyed + "Ro\xff\xfe" + "f\"}}" << false << true;
        QTest::newRow("a file far too large to be ours makes defaults, kept aside")
            << "{\"pad\":\"" + QByteArray(9 * 1024 * 1024, 'a') + "\"}" << false << true;
        QTest::newRow("an empty file holds nothing worth keeping") << QByteArray() << false << false;
    }

    void loadingAFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        QFETCH(bool, copied);
        writeAll(m_path, bytes);
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        ManualTimeSource clock;
        StationConfigStore store(m_path, clock);
        QCOMPARE(store.config() == StationConfig(), !readable);
        QCOMPARE(store.rawObject().isEmpty(), !readable);
        QVERIFY(unreadableCopies().isEmpty()); // loading never writes

        QCOMPARE(store.save(), std::nullopt);
        QCOMPARE(store.save(), std::nullopt);
        QCOMPARE(StationConfigFile::parse(fileObject(m_path)).station.name, readable ? "Roof" : "");
        QCOMPARE(modeOf(m_path), mode_t(0640)); // an existing file keeps its mode
        if (!copied) {
            QCOMPARE(unreadableCopies(), QStringList());
            return;
        }
        QCOMPARE(unreadableCopies(), QStringList{"config.json.unreadable-20250301T170405Z"});
        const QString copy = m_path + ".unreadable-20250301T170405Z";
        QVERIFY(readAll(copy) == bytes);
        QCOMPARE(modeOf(copy), mode_t(0600));
    }

    void aFileBrokenOrFixedByHandWhileRunningIsCopiedOnlyWhileBroken()
    {
        writeAll(m_path, R"({"station":{"name":"Roof"}})");
        ManualTimeSource clock;
        StationConfigStore store(m_path, clock);
        writeAll(m_path, "{broken");
        store.setStationLat(1);
        QCOMPARE(StationConfigFile::parse(fileObject(m_path)).station,
                 (StationConfig::Station{"Roof", 1, 0, "auto"}));
        writeAll(m_path, "{broken again");
        store.setStationLat(2); // within the same second: the first copy stays as it is
        writeAll(m_path, R"({"note":"fixed"})");
        store.setStationLat(3);

        const QString stem = m_path + ".unreadable-20250301T170405Z";
        QCOMPARE(unreadableCopies(),
                 (QStringList{QFileInfo(stem).fileName(), QFileInfo(stem).fileName() + "-2"}));
        QCOMPARE(readAll(stem), "{broken");
        QCOMPARE(readAll(stem + "-2"), "{broken again");
        QCOMPARE(fileObject(m_path).value("note"), "fixed");
    }

    void aFailingSaveReportsItAndLeavesTheOldFileIntact_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("oldFile");
        // Both fail for root too, which ignores directory permissions.
        QTest::newRow("the parent directory is a regular file") << "blocker/config.json" << false;
        QTest::newRow("no room in the name for the temporary file") << QString(250, 'c') << true;
    }

    void aFailingSaveReportsItAndLeavesTheOldFileIntact()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, oldFile);
        writeAll(m_home->filePath("blocker"), "not a directory");
        const QString path = m_home->filePath(fileName);
        const QByteArray old = R"({"station":{"name":"Old"}})";
        if (oldFile)
            writeAll(path, old);
        StationConfigStore store(path);
        QSignalSpy changed(&store, &StationConfigStore::changed);

        store.setStationName("New"); // ignores the failure
        QCOMPARE(changed.count(), 1);
        QCOMPARE(store.config().station.name, "New");
        const std::optional<StationConfigStore::SaveError> error = store.save();
        QVERIFY(error);
        QVERIFY(!error->errorDescription().isEmpty());
        QCOMPARE(store.rawObject().value("station").toObject().value("name"), "New");
        QCOMPARE(readAll(path), oldFile ? old : QByteArray());
        QCOMPARE(QDir(m_home->path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), oldFile ? 2 : 1);
    }

    void theJsonDirectory_data()
    {
        QTest::addColumn<QString>("jsonDir");
        QTest::addColumn<QString>("expected"); // relative to the directory of config.json unless absolute
        QTest::newRow("the default lies next to config.json") << "readsb-json"
                                                              << "readsb-json";
        QTest::newRow("several relative components stay under it") << "out/readsb/"
                                                                   << "out/readsb";
        QTest::newRow("an absolute path is taken as it is") << "/var/lib/readsb"
                                                            << "/var/lib/readsb";
    }

    void theJsonDirectory()
    {
        QFETCH(QString, jsonDir);
        QFETCH(QString, expected);
        StationConfigStore store;
        StationConfig config = store.config();
        config.localOutputs.jsonDir = jsonDir;
        store.setConfig(config);
        QVERIFY(QDir::setCurrent(QDir::rootPath())); // nothing may depend on the working directory
        QCOMPARE(store.jsonDirectory(), QDir(QFileInfo(m_path).absolutePath()).absoluteFilePath(expected));
    }

    void stationSettersAnnounceAndSaveAtOnceWhileHandEditsFollowTheRules()
    {
        StationConfigStore store;
        QSignalSpy changed(&store, &StationConfigStore::changed);
        store.setStationName("Roof");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(StationConfigFile::parse(fileObject(m_path)).station.name, "Roof");
        store.setStationLat(52.52);
        store.setStationLon(-13.4);
        store.setStationGain("49.6");
        QCOMPARE(changed.count(), 4);
        QCOMPARE(StationConfigFile::parse(fileObject(m_path)).station,
                 (StationConfig::Station{"Roof", 52.52, -13.4, "49.6"}));

        // A hand edit while running: the station is overwritten, local outputs and unknown keys are not.
        QJsonObject edited = fileObject(m_path);
        edited["localOutputs"] = QJsonObject{{"beastPort", 31000}};
        edited["station"] = QJsonObject{{"name", "Hand"}};
        edited["note"] = "mine";
        writeAll(m_path, QJsonDocument(edited).toJson());
        store.setStationName("Roof 2");
        QCOMPARE(fileObject(m_path).value("localOutputs").toObject().value("beastPort"), 31000);
        QCOMPARE(fileObject(m_path).value("note"), "mine");
        QCOMPARE(StationConfigFile::parse(fileObject(m_path)).station.name, "Roof 2");

        writeAll(m_path, QJsonDocument(edited).toJson());
        store.reloadFromDisk();
        QCOMPARE(changed.count(), 6);
        QCOMPARE(store.config().station.name, "Hand");
        QCOMPARE(store.config().localOutputs.beastPort, 31000);
    }
};

QTEST_GUILESS_MAIN(TestStationConfigStore)
#include "TestStationConfigStore.moc"
