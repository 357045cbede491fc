#include "config/StationConfigFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>
#include <clocale>
#include <functional>

using vireon::StationConfig;
using vireon::StationConfigFile;
using Change = std::function<void(StationConfig&)>;
Q_DECLARE_METATYPE(Change)

namespace {
QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}
StationConfig::ExtraConnector connector(const char* id, const char* host, qint64 port)
{
    return {id, std::nullopt, false, host, port, "beast_reduce_plus_out", std::nullopt};
}
} // namespace

class TestStationConfigFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<Change>("expected"); // applied to the default record

        QTest::newRow("an empty object reads as the defaults") << QByteArray("{}") << Change([](auto&) {});
        QTest::newRow("an empty gain stays empty") << QByteArray(R"({"station":{"gain":"","name":""}})")
                                                   << Change([](auto& c) { c.station.gain = ""; });
        QTest::newRow("a latitude written as text reads as 0 without touching its neighbours")
            << QByteArray(R"({"station":{"lat":"52.5","lon":13.25,"name":"Roof"}})") << Change([](auto& c) {
                   c.station = {"Roof", 0, 13.25, "auto"};
               });
        QTest::newRow("the primary network without a switch is enabled, a quoted false does not count")
            << QByteArray(R"({"vireon":{"enabled":"false"}})") << Change([](auto&) {});
        QTest::newRow("the primary network's overrides are read, a fractional port truncated")
            << QByteArray(
                   R"({"vireon":{"enabled":false,"host":"h.example","port":30004.9,"protocol":"beast_out",)"
                   R"("uuid":""}})")
            << Change([](auto& c) {
                   c.vireon = {false, "h.example", 30004, "beast_out", std::nullopt};
               });
        QTest::newRow("an integer beyond double precision stays exact")
            << QByteArray(R"({"vireon":{"port":9007199254740993}})")
            << Change([](auto& c) { c.vireon.port = 9007199254740993LL; });
        QTest::newRow("a port beyond the 64-bit range counts as malformed")
            << QByteArray(R"({"vireon":{"port":1e30},"localOutputs":{"beastPort":-1e19}})")
            << Change([](auto&) {});
        QTest::newRow("malformed connectors are skipped but still count for generated ids")
            << QByteArray(R"({"extraConnectors":[{"port":1},{"host":"","port":1},{"host":"a","port":"1"},)"
                          R"({"host":"b.example","port":30004,"uuid":null,"label":""}]})")
            << Change([](auto& c) { c.extraConnectors = {connector("connector-3", "b.example", 30004)}; });
        QTest::newRow("one element that is not an object empties the whole list")
            << QByteArray(R"({"extraConnectors":[{"host":"a","port":1},7]})") << Change([](auto&) {});
        QTest::newRow("a full connector and a duplicate id are both kept")
            << QByteArray(R"({"extraConnectors":[{"id":"x","label":"X","enabled":true,"host":"h","port":2,)"
                          R"("protocol":"beast_out","uuid":"u"},{"id":"x","host":"h2","port":3}]})")
            << Change([](auto& c) {
                   c.extraConnectors = {{"x", "X", true, "h", 2, "beast_out", "u"}, connector("x", "h2", 3)};
               });
        QTest::newRow("local outputs: a quoted port and an empty directory take their defaults")
            << QByteArray(R"({"localOutputs":{"beastPort":"31000","jsonDir":""}})") << Change([](auto&) {});
    }

    void reading()
    {
        QFETCH(QByteArray, json);
        QFETCH(Change, expected);
        StationConfig config;
        expected(config);
        const std::optional<QJsonObject> parsed = StationConfigFile::decode(json);
        QVERIFY(parsed);
        QCOMPARE(StationConfigFile::parse(*parsed), config);
    }

    void writing_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<Change>("change"); // applied to what the raw object reads as
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("the defaults into an empty object give the documented first file")
            << QByteArray("{}") << Change([](auto&) {})
            << QByteArray(
                   R"({"schemaVersion":1,"station":{"name":"","lat":0,"lon":0,"gain":"auto"},)"
                   R"("vireon":{"enabled":true},"extraConnectors":[{"id":"adsb-lol","label":"adsb.lol",)"
                   R"("enabled":false,"host":"feed.adsb.lol","port":30004,"protocol":"beast_reduce_plus_out",)"
                   R"("uuid":null}],"localOutputs":{"beastPort":30005,"jsonDir":"readsb-json"}})");
        QTest::newRow("unknown keys survive at every level and schemaVersion keeps its type")
            << QByteArray(
                   R"({"schemaVersion":"two","x":0,"station":{"x":1},"vireon":{"x":2},)"
                   R"("extraConnectors":[{"id":"a","host":"h","port":1,"x":3}],"localOutputs":{"x":4}})")
            << Change([](auto&) {})
            << QByteArray(
                   R"({"schemaVersion":"two","x":0,)"
                   R"("station":{"x":1,"name":"","lat":0,"lon":0,"gain":"auto"},)"
                   R"("vireon":{"x":2,"enabled":true},"extraConnectors":[{"id":"a","label":"a","enabled":false,)"
                   R"("host":"h","port":1,"protocol":"beast_reduce_plus_out","uuid":null,"x":3}],)"
                   R"("localOutputs":{"x":4,"beastPort":30005,"jsonDir":"readsb-json"}})");
        QTest::newRow("hand-written endpoint overrides survive and a cleared key disappears")
            << QByteArray(
                   R"({"vireon":{"host":"h","port":"p","protocol":"beast_out","uuid":"k"},"extraConnectors":[]})")
            << Change([](auto& c) {
                   c.vireon.uuid.reset();
                   c.vireon.enabled = false;
               })
            << QByteArray(
                   R"({"schemaVersion":1,"station":{"name":"","lat":0,"lon":0,"gain":"auto"},)"
                   R"("vireon":{"enabled":false,"host":"h","port":"p","protocol":"beast_out"},)"
                   R"("extraConnectors":[],"localOutputs":{"beastPort":30005,"jsonDir":"readsb-json"}})");
        QTest::newRow(
            "connectors merge by id: a removed one goes, a kept one keeps its extras, labels restored")
            << QByteArray(
                   R"({"extraConnectors":[{"id":"gone","host":"g","port":1},)"
                   R"({"id":"kept","label":"hand","host":"k","port":2,"note":"mine"},{"host":"n","port":3,"x":1}],)"
                   R"("localOutputs":{"beastPort":"hand"}})")
            << Change([](auto& c) {
                   c.extraConnectors.removeFirst();
                   c.extraConnectors[0].label = "Kept";
                   c.extraConnectors[0].uuid = "u";
                   c.localOutputs = {31000, "/srv/json"};
               })
            << QByteArray(
                   R"({"schemaVersion":1,"station":{"name":"","lat":0,"lon":0,"gain":"auto"},)"
                   R"("vireon":{"enabled":true},"extraConnectors":[{"id":"kept","label":"Kept","enabled":false,)"
                   R"("host":"k","port":2,"protocol":"beast_reduce_plus_out","uuid":"u","note":"mine"},)"
                   R"({"id":"connector-2","label":"connector-2","enabled":false,"host":"n","port":3,)"
                   R"("protocol":"beast_reduce_plus_out","uuid":null}],)"
                   R"("localOutputs":{"beastPort":"hand","jsonDir":"/srv/json"}})");
    }

    void writing()
    {
        QFETCH(QByteArray, raw);
        QFETCH(Change, change);
        QFETCH(QByteArray, expected);
        const QJsonObject rawObject = object(raw);
        StationConfig config = StationConfigFile::parse(rawObject);
        change(config);
        QCOMPARE(StationConfigFile::merge(config, rawObject), object(expected));
    }

    void numbersIgnoreADecimalCommaLocale()
    {
        const QByteArray previous = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // only where the system has it
        QLocale::setDefault(QLocale(QLocale::German));
        StationConfig config = StationConfigFile::parse(object(R"({"station":{"gain":40}})"));
        config.station.lat = 52.52;
        const std::optional<QJsonObject> back =
            StationConfigFile::decode(StationConfigFile::encode(StationConfigFile::merge(config, {})));
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_ALL, previous.constData());

        QCOMPARE(config.station.gain, "40.0");
        QVERIFY(back);
        QCOMPARE(StationConfigFile::parse(*back).station, config.station);
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
        QTest::newRow("a comma right after the marker is skipped") << "uuid=," + key << std::optional(key);
        QTest::newRow("the marker with nothing after it gives nothing")
            << QString("host,1,p,uuid=  ") << std::optional<QString>();
        QTest::newRow("blank text gives nothing") << QString(" \n ") << std::optional<QString>();
        QTest::newRow("the marker in capitals is not recognised")
            << " UUID=" + key << std::optional("UUID=" + key);
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
