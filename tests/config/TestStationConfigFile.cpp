#include "config/StationConfigFile.h"

#include <QJsonDocument>
#include <QtTest>
#include <clocale>

using vireon::StationConfig;
using vireon::StationConfigFile;
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

class TestStationConfigFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
    }

    void reading()
    {
        QFETCH(QJsonObject, file);
        QFETCH(StationConfig, expected);
        QCOMPARE(StationConfigFile::parse(file), expected);
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

    void normalizeStationKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<QString>>("key");
        const QString key = "4b1a5c3e-0d2f-4e6a-9b8c-7d6e5f4a3b2c";
        QTest::newRow("a bare key loses the blanks and line breaks around it") << " \n" + key + "\t\r\n"
                                                                               << std::optional(key);
        QTest::newRow("a pasted connector line yields the key alone")
            << "feed.vireon.network,30004,beast_reduce_plus_out,uuid=" + key + ",timeout=5"
            << std::optional(key);
        QTest::newRow("the marker with nothing after it gives nothing")
            << QString("host,1,p,uuid=  ") << std::optional<QString>();
    }

    void normalizeStationKey()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<QString>, key);
        QCOMPARE(StationConfig::normalizeStationKey(text), key);
    }
};

QTEST_GUILESS_MAIN(TestStationConfigFile)
#include "TestStationConfigFile.moc"
