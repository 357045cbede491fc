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

// What every change does to the store: the new configuration, then a save.
void change(StationConfigStore& store, const std::function<void(StationConfig::Station&)>& edit)
{
    StationConfig config = store.config();
    edit(config.station);
    store.setConfig(config);
    store.save();
}

class TestStationConfigStore : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_path;
    ManualTimeSource m_clock; // its time names the copy kept of an unreadable file:
    const QString m_stamp = ".unreadable-20250301T170405Z";

    static QByteArray readAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void writeAll(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
    }
    static QJsonObject fileObject(const QString& path)
    {
        return QJsonDocument::fromJson(readAll(path)).object();
    }
    static mode_t modeOf(const QString& path)
    {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
    }
    StationConfig onDisk() const { return StationConfigFile::parse(fileObject(m_path)); }
    QStringList copies() const { return QFileInfo(m_path).dir().entryList({"*.unreadable-*"}, QDir::Files); }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_home->path().toUtf8());
        m_path = m_home->filePath("VireonFeeder/config.json");
    }

    void loadingAFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("copied");
        const QByteArray keyed = "{\"vireon\":{\"uuid\":\"4b1a5c3e\"},\"station\":{\"name\":\"Ro";
        QTest::newRow("valid JSON is read and never copied") << keyed + "of\"}}" << true << false;
        QTest::newRow("a typo makes defaults, and the file is kept aside")
            << keyed + "of\"},}" << false << true;
        QTest::newRow("a top-level array makes defaults, kept aside") << QByteArray("[{}]") << false << true;
        QTest::newRow("invalid UTF-8 makes defaults, kept aside") << keyed + "\xff\xfe\"}}" << false << true;
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
        StationConfigStore store(m_path, m_clock);
        QCOMPARE(store.config().station.name, readable ? "Roof" : "");
        QVERIFY(copies().isEmpty()); // loading never writes

        QCOMPARE(store.save(), std::nullopt);
        QCOMPARE(onDisk().station.name, readable ? "Roof" : "");
        QCOMPARE(modeOf(m_path), mode_t(0640)); // an existing file keeps its mode
        QCOMPARE(copies(), copied ? QStringList{"config.json" + m_stamp} : QStringList());
        QCOMPARE(readAll(m_path + m_stamp), copied ? bytes : QByteArray());
        QCOMPARE(modeOf(m_path + m_stamp), mode_t(copied ? 0600 : 0));
    }

    void aFileBrokenWhileRunningIsCopiedEachTimeButNeverOverwritten()
    {
        writeAll(m_path, R"({"station":{"name":"Roof"}})");
        StationConfigStore store(m_path, m_clock);
        writeAll(m_path, "{broken");
        change(store, [](StationConfig::Station& s) { s.lat = 1; });
        QCOMPARE(onDisk().station, (StationConfig::Station{"Roof", 1, 0, "auto"}));
        writeAll(m_path, "{broken again");
        change(store,
               [](StationConfig::Station& s) { s.lat = 2; }); // within the same second as the first copy
        QCOMPARE(copies().size(), 2);
        QCOMPARE(readAll(m_path + m_stamp), "{broken");
        QCOMPARE(readAll(m_path + m_stamp + "-2"), "{broken again");
    }

    void aFailingSaveReportsItAndLeavesTheOldFileIntact()
    {
        // No room in the name for the temporary file: fails for root too, which ignores permissions.
        const QString path = m_home->filePath(QString(250, 'c'));
        writeAll(path, R"({"station":{"name":"Old"}})");
        StationConfigStore store(path);
        change(store, [](StationConfig::Station& s) { s.name = "New"; }); // shows the new name all the same
        QCOMPARE(store.config().station.name, "New");
        const std::optional<StationConfigStore::SaveError> error = store.save();
        QVERIFY(error && !error->errorDescription().isEmpty());
        QCOMPARE(readAll(path), R"({"station":{"name":"Old"}})");
        QCOMPARE(QDir(m_home->path()).entryList(QDir::Files).size(), 1);
    }

    void theJsonDirectoryLiesNextToConfigJsonUnlessAbsolute()
    {
        StationConfigStore store;
        StationConfig config = store.config();
        QVERIFY(QDir::setCurrent(QDir::rootPath())); // nothing may depend on the working directory
        QCOMPARE(store.jsonDirectory(), m_home->filePath("VireonFeeder/readsb-json"));
        config.localOutputs.jsonDir = "/var/lib/readsb/";
        store.setConfig(config);
        QCOMPARE(store.jsonDirectory(), "/var/lib/readsb");
    }

    void aFirstRunWritesNothingUntilASetterSavesOwnerOnlyWithTheTemplateOnce()
    {
        QCOMPARE(StationConfigStore::defaultFilePath(), m_path);
        StationConfigStore store;
        QSignalSpy changed(&store, &StationConfigStore::changed);
        QVERIFY(!QFileInfo::exists(QFileInfo(m_path).absolutePath()));
        change(store, [](StationConfig::Station& s) { s.name = "Roof"; });
        QCOMPARE(modeOf(m_path), mode_t(0600));
        QCOMPARE(fileObject(m_path).value("extraConnectors").toArray().size(), 1);
        change(store, [](StationConfig::Station& s) { s.lat = 52.52; });
        change(store, [](StationConfig::Station& s) { s.lon = -13.4; });
        change(store, [](StationConfig::Station& s) { s.gain = "49.6"; });
        QCOMPARE(changed.count(), 4);
        QCOMPARE(onDisk().station, (StationConfig::Station{"Roof", 52.52, -13.4, "49.6"}));
        // The record still has no connectors, and the file now has the key: no template again.
        QCOMPARE(fileObject(m_path).value("extraConnectors"), QJsonArray());
    }

    void aSaveMergesIntoTheFileAsItIsNowAndAReloadReadsIt()
    {
        StationConfigStore store;
        QSignalSpy changed(&store, &StationConfigStore::changed);
        const QByteArray edited =
            R"({"localOutputs":{"beastPort":31000},"station":{"name":"Hand"},"note":"mine"})";
        writeAll(m_path, edited);
        change(store, [](StationConfig::Station& s) { s.name = "Roof"; });
        QCOMPARE(onDisk().station.name, "Roof");
        QCOMPARE(onDisk().localOutputs.beastPort, 31000);
        QCOMPARE(fileObject(m_path).value("note"), "mine");

        writeAll(m_path, edited);
        store.reloadFromDisk();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(store.config().station.name, "Hand");
        QCOMPARE(store.config().localOutputs.beastPort, 31000);
    }
};

QTEST_GUILESS_MAIN(TestStationConfigStore)
#include "TestStationConfigStore.moc"
