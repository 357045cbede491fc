// config.json: what is read from it, what is written into it around the user's own edits, and how the
// store keeps it safe on disk.
#include "config/StationConfigFile.h"
#include "config/StationConfigStore.h"
#include "support/FileSizeLimit.h"
#include "support/ManualTimeSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <sys/stat.h>

using vireon::StationConfig;
using vireon::StationConfigFile;
using vireon::StationConfigStore;
using vireon::test::FileSizeLimit;
using vireon::test::ManualTimeSource;
Q_DECLARE_METATYPE(StationConfig)

namespace {
// JSON written with single quotes, which keeps the rows legible.
QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json).replace('\'', '"')).object();
}

const QString beastOut = "beast_reduce_plus_out";
// The default record merged into an empty object: the first file, with the template connector.
const char* const firstFile =
    "{'schemaVersion': 1, 'station': {'name': '', 'lat': 0, 'lon': 0, 'gain': 'auto'},"
    " 'vireon': {'enabled': true}, 'extraConnectors': [{'id': 'adsb-lol', 'label': 'adsb.lol',"
    " 'enabled': false, 'host': 'feed.adsb.lol', 'port': 30004, 'protocol': 'beast_reduce_plus_out',"
    " 'uuid': null}], 'localOutputs': {'beastPort': 30005, 'jsonDir': 'readsb-json'}}";
} // namespace

// What every change does to the store: the new configuration, then a save.
void change(StationConfigStore& store, const std::function<void(StationConfig::Station&)>& edit)
{
    StationConfig config = store.config();
    edit(config.station);
    store.setConfig(config);
    store.save();
}

class TestStationConfig : public QObject {
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

    void reading_data()
    {
        QTest::addColumn<QJsonObject>("file");
        QTest::addColumn<StationConfig>("expected");

        QTest::newRow("a latitude written as text reads as 0 without touching its neighbours")
            << object("{'station': {'lat': '52.5', 'lon': 13.25, 'name': 'Roof', 'gain': ''}}")
            << StationConfig{{"Roof", 0, 13.25, ""}, {}, {}, {}};
        QTest::newRow("malformed values take their defaults: a quoted switch, huge ports, an empty directory")
            << object("{'vireon': {'enabled': 'false', 'port': 1e30},"
                      " 'localOutputs': {'beastPort': -1e19, 'jsonDir': ''}}")
            << StationConfig{};
        QTest::newRow("the primary network's overrides are read, a fractional port truncated, no empty key")
            << object("{'vireon': {'enabled': false, 'host': 'h', 'port': 30.9, 'protocol': 'b',"
                      " 'uuid': ''}}")
            << StationConfig{{}, {false, "h", 30, "b", std::nullopt}, {}, {}};
        QTest::newRow("malformed connectors are skipped but still count for generated ids")
            << object("{'extraConnectors': [{'port': 1}, {'host': '', 'port': 1}, {'host': 'a', 'port': '1'},"
                      " {'host': 'b', 'port': 2, 'uuid': null, 'label': ''}]}")
            << StationConfig{{}, {}, {{"connector-3", {}, false, "b", 2, beastOut, {}}}, {}};
        QTest::newRow("one element that is not an object empties the whole list")
            << object("{'extraConnectors': [{'host': 'a', 'port': 1}, 7]}") << StationConfig{};
        QTest::newRow("a full connector and a duplicate id are both kept")
            << object("{'extraConnectors': [{'id': 'x', 'label': 'X', 'enabled': true, 'host': 'h',"
                      " 'port': 2, 'protocol': 'b', 'uuid': 'u'}, {'id': 'x', 'host': 'h2', 'port': 3}]}")
            << StationConfig{
                   {}, {}, {{"x", "X", true, "h", 2, "b", "u"}, {"x", {}, false, "h2", 3, beastOut, {}}}, {}};
        StationConfig mlat;
        mlat.station.alt = 48.5;
        mlat.vireon.mlat = false;
        mlat.vireon.mlatPrivacy = true;
        mlat.extraConnectors = {{"x", {}, false, "h", 2, beastOut, {}, true, true, {{"m", 40900}}},
                                {"y", {}, false, "h", 3, beastOut, {}}};
        QTest::newRow("MLAT: the altitude, the switches and a network's own server; a quoted switch and a "
                      "server without its port take their defaults")
            << object("{'station': {'alt': 48.5}, 'vireon': {'mlat': false, 'mlatPrivacy': true},"
                      " 'extraConnectors': [{'id': 'x', 'host': 'h', 'port': 2, 'mlat': 'no', 'mlatPrivacy': "
                      "true,"
                      " 'mlatServer': {'host': 'm', 'port': 40900}}, {'id': 'y', 'host': 'h', 'port': 3,"
                      " 'mlatServer': {'host': 'm'}}]}")
            << mlat;
        QTest::newRow("an altitude written as text is not set")
            << object("{'station': {'alt': '48 m'}}") << StationConfig{};
    }

    void reading()
    {
        QFETCH(QJsonObject, file);
        QTEST(StationConfigFile::parse(file), "expected");
    }

    void writing_data()
    {
        QTest::addColumn<QJsonObject>("raw");
        QTest::addColumn<StationConfig>("config");
        QTest::addColumn<QJsonObject>("expected"); // where the result differs from the first file

        QTest::newRow("the defaults into an empty object give the first file")
            << QJsonObject() << StationConfig{} << QJsonObject();
        const QJsonObject unknown =
            object("{'schemaVersion': 'two', 'x': 0, 'station': {'x': 1}, 'vireon': {'x': 2},"
                   " 'extraConnectors': [{'id': 'a', 'host': 'h', 'port': 1, 'x': 3}],"
                   " 'localOutputs': {'x': 4}}");
        QTest::newRow("unknown keys survive at every level and schemaVersion keeps its type")
            << unknown << StationConfigFile::parse(unknown)
            << object("{'schemaVersion': 'two', 'x': 0, 'station': {'x': 1, 'name': '', 'lat': 0, 'lon': 0,"
                      " 'gain': 'auto'}, 'vireon': {'x': 2, 'enabled': true}, 'extraConnectors': [{'x': 3,"
                      " 'id': 'a', 'label': 'a', 'enabled': false, 'host': 'h', 'port': 1, 'uuid': null,"
                      " 'protocol': 'beast_reduce_plus_out'}], 'localOutputs': {'x': 4, 'beastPort': 30005,"
                      " 'jsonDir': 'readsb-json'}}");
        StationConfig edited{
            {}, {false, {}, {}, {}, {}}, {{"k", {}, false, "k", 2, beastOut, "u"}}, {9, "/j"}};
        edited.extraConnectors.append({"connector-2", {}, false, "n", 3, beastOut, {}});
        QTest::newRow("hand edits survive: endpoint overrides, connector extras matched by id, local outputs")
            << object("{'vireon': {'host': 'h', 'port': 'p', 'protocol': 'b', 'uuid': 'k'},"
                      " 'extraConnectors': [{'id': 'gone', 'host': 'g', 'port': 1},"
                      " {'id': 'k', 'label': 'hand', 'host': 'k', 'port': 2, 'note': 'mine'},"
                      " {'host': 'n', 'port': 3}], 'localOutputs': {'beastPort': 'hand'}}")
            << edited
            << object("{'vireon': {'enabled': false, 'host': 'h', 'port': 'p', 'protocol': 'b'},"
                      " 'extraConnectors': [{'id': 'k', 'label': 'k', 'enabled': false, 'host': 'k',"
                      " 'port': 2, 'protocol': 'beast_reduce_plus_out', 'uuid': 'u', 'note': 'mine'},"
                      " {'id': 'connector-2', 'label': 'connector-2', 'enabled': false, 'host': 'n',"
                      " 'port': 3, 'protocol': 'beast_reduce_plus_out', 'uuid': null}],"
                      " 'localOutputs': {'beastPort': 'hand', 'jsonDir': '/j'}}");
        StationConfig mlat;
        mlat.station.alt = 12.5;
        mlat.extraConnectors = {{"k", {}, false, "k", 2, beastOut, {}, false, false, {{"m", 40900}}}};
        QTest::newRow("MLAT: set values written, a switch back at its default only where the file names it")
            << object("{'vireon': {'mlat': false}, 'extraConnectors': [{'id': 'k', 'host': 'k', 'port': 2,"
                      " 'mlatPrivacy': true}]}")
            << mlat
            << object(
                   "{'station': {'name': '', 'lat': 0, 'lon': 0, 'gain': 'auto', 'alt': 12.5},"
                   " 'vireon': {'enabled': true, 'mlat': true}, 'extraConnectors': [{'id': 'k', 'label': 'k',"
                   " 'enabled': false, 'host': 'k', 'port': 2, 'protocol': 'beast_reduce_plus_out',"
                   " 'uuid': null, 'mlat': false, 'mlatPrivacy': false,"
                   " 'mlatServer': {'host': 'm', 'port': 40900}}]}");
        QTest::newRow("an altitude cleared leaves the file")
            << object("{'station': {'alt': 7}}") << StationConfig{} << QJsonObject();
    }

    void writing()
    {
        QFETCH(QJsonObject, raw);
        QFETCH(StationConfig, config);
        QFETCH(QJsonObject, expected);
        QJsonObject whole = object(firstFile);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            whole.insert(it.key(), it.value());
        QCOMPARE(StationConfigFile::merge(config, raw), whole);
    }

    void aNumericGainReadsWithAFullStopUnderADecimalCommaLocale()
    {
        const QByteArray previous = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // only where the system has it
        QLocale::setDefault(QLocale(QLocale::German));
        const QString gain = StationConfigFile::parse(object("{'station': {'gain': 40}}")).station.gain;
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_ALL, previous.constData());
        QCOMPARE(gain, "40.0");
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

    void aWriteCutShortLeavesTheLastGoodFileWholeAndNothingBeside()
    {
        const QByteArray good = R"({"station":{"name":"Old"},"vireon":{"uuid":"4b1a5c3e"}})";
        writeAll(m_path, good);
        StationConfigStore store(m_path, m_clock);
        StationConfig config = store.config();
        config.station.name = QString(8192, 'n'); // more than the disk has room for
        store.setConfig(config);
        std::optional<StationConfigStore::SaveError> error;
        {
            FileSizeLimit full(1024);
            error = store.save();
        }
        QCOMPARE(error.value_or(StationConfigStore::SaveError{}).message, "File too large");
        QCOMPARE(readAll(m_path), good);
        QCOMPARE(QFileInfo(m_path).dir().entryList(QDir::Files | QDir::Hidden), QStringList{"config.json"});

        QCOMPARE(store.save(), std::nullopt); // room again: the change kept in memory is written
        QCOMPARE(onDisk().station.name, config.station.name);
        QCOMPARE(fileObject(m_path)["vireon"].toObject()["uuid"].toString(), "4b1a5c3e");
    }

    void aLinkInItsPlaceIsReplacedByAFileOfOurOwn_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("a link to a file elsewhere, which is read but never written") << true;
        QTest::newRow("a link to nothing, which the save does not create") << false;
    }

    void aLinkInItsPlaceIsReplacedByAFileOfOurOwn()
    {
        QFETCH(bool, targetExists);
        const QString target = m_home->filePath("dotfiles/feeder.json");
        const QByteArray theirs = R"({"station":{"name":"Linked"},"vireon":{"uuid":"4b1a5c3e"}})";
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (targetExists)
            writeAll(target, theirs);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QVERIFY(QFile::link(target, m_path));

        StationConfigStore store(m_path, m_clock);
        QCOMPARE(store.config().station.name, targetExists ? "Linked" : "");
        change(store, [](StationConfig::Station& s) { s.lat = 1; });
        QCOMPARE(store.replacedLinkTarget(), target);
        QVERIFY(!QFileInfo(m_path).isSymLink());
        QCOMPARE(modeOf(m_path), mode_t(0600));
        QCOMPARE(onDisk().station.lat, 1.0);
        QCOMPARE(onDisk().station.name, targetExists ? "Linked" : "");
        QCOMPARE(QFileInfo::exists(target), targetExists);
        QCOMPARE(readAll(target), targetExists ? theirs : QByteArray());

        change(store, [](StationConfig::Station& s) { s.lat = 2; });
        QCOMPARE(store.replacedLinkTarget(), std::nullopt);
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

QTEST_GUILESS_MAIN(TestStationConfig)
#include "TestStationConfig.moc"
