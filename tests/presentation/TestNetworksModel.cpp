// Which networks the settings offer and what each row shows; the custom network's entries.
#include "presentation/networks/CustomNetworkInput.h"
#include "presentation/networks/NetworksModel.h"

#include <QtTest>

using namespace vireon;
using Connector = StationConfig::ExtraConnector;

Q_DECLARE_METATYPE(vireon::ConnectorHealth)
Q_DECLARE_METATYPE(vireon::CustomNetworkInput)
Q_DECLARE_METATYPE(vireon::FeederConfig)
Q_DECLARE_METATYPE(vireon::StationConfig)

namespace {

const QString sampleKey = "0123abcd-0000-4000-8000-000000000001";

Connector connector(const QString& id, bool enabled = true, std::optional<QString> uuid = {})
{
    return Connector{id, id + " label", enabled, "feed." + id, 30004, "beast_reduce_plus_out", uuid};
}

StationConfig station(QList<Connector> extras)
{
    StationConfig config;
    config.extraConnectors = std::move(extras);
    return config;
}

FeederConfig remote(std::optional<QList<FeederConfig::Preset>> presets)
{
    FeederConfig config = FeederConfig::fallback();
    config.presets = std::move(presets);
    return config;
}

const FeederConfig::Preset lolPreset = FeederConfig::builtInPresets().first();

NetworksModel model(const StationConfig& config,
                    const FeederConfig& feeder = remote(QList<FeederConfig::Preset>{}), bool feeding = false,
                    const QHash<QString, ConnectorHealth>& health = {})
{
    return NetworksModel::make({config, feeder, feeding, health});
}

CustomNetworkInput entries(const QString& host, const QString& port = "30004", const QString& uuid = {},
                           const QString& label = {})
{
    CustomNetworkInput form;
    form.label = label;
    form.host = host;
    form.port = port;
    form.uuid = uuid;
    return form;
}
const QString sampleHost = "Host may contain letters, digits, dots and dashes only.";
const QString samplePort = "Port must be a number between 1 and 65535.";
const QString sampleUuid = "UUID may contain letters, digits and dashes only.";

} // namespace

class TestNetworksModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rows_data()
    {
        QTest::addColumn<FeederConfig>("feeder");
        QTest::addColumn<StationConfig>("config");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no preset list offers the four built-in networks")
            << remote(std::nullopt) << station({})
            << QStringList{"adsb.lol", "airplanes.live", "adsb.fi", "ADSBExchange"};
        QTest::newRow("an empty preset list makes every connector a custom row")
            << remote(QList<FeederConfig::Preset>{}) << station({connector("adsb-lol")})
            << QStringList{"adsb-lol label (custom) on"};
        QTest::newRow("a connector fills its preset's row and a dropped preset's connector turns custom")
            << remote(QList{lolPreset}) << station({connector("gone", false), connector("adsb-lol")})
            << QStringList{"adsb.lol on", "gone label (custom)"};
        QTest::newRow("of two connectors with one id the preset row shows the first")
            << remote(QList{lolPreset})
            << station({connector("adsb-lol", false), connector("adsb-lol", true)})
            << QStringList{"adsb.lol"};
        Connector unlabelled = connector("custom-x-1");
        unlabelled.label.reset();
        QTest::newRow("an unlabelled custom connector is titled by its id")
            << remote(QList<FeederConfig::Preset>{}) << station({unlabelled})
            << QStringList{"custom-x-1 (custom) on"};
    }
    void rows()
    {
        QFETCH(FeederConfig, feeder);
        QFETCH(StationConfig, config);
        QStringList titles;
        for (const NetworkRowModel& row : model(config, feeder).rows)
            titles.append(row.title + (row.preset ? "" : " (custom)") + (row.enabled ? " on" : ""));
        QTEST(titles, "expected");
    }

    // What a switched-on row says under its key field, and what it offers.
    void rowDetails()
    {
        const QString shortKey = "abc-1";
        const NetworksModel shown = model(station(
            {connector("none"), connector("bad", true, "not a key"), connector("short", true, shortKey),
             connector("good", true, sampleKey), connector("off", false, sampleKey)}));
        QCOMPARE(shown.rows[0].uuidNote->tone, Tone::secondary);
        QVERIFY(shown.rows[0].uuidNote->text.startsWith("Without a UUID"));
        QCOMPARE(shown.rows[1].uuidNote->tone, Tone::error);
        QCOMPARE(shown.rows[2].uuidNote->tone, Tone::warning); // valid, but too short to be sent
        QVERIFY(!shown.rows[3].uuidNote);
        QCOMPARE(shown.rows[3].endpoint, QString("feed.good:30004"));
        QVERIFY(shown.rows[3].showsDetails && shown.rows[3].removable);
        QVERIFY(!shown.rows[4].showsDetails); // switched off: only its switch
        QCOMPARE(shown.countText, QString("4 networks enabled besides Vireon"));
        QCOMPARE(model(station({connector("one")})).countText, QString("1 network enabled besides Vireon"));
        QVERIFY(!model(station({connector("one", false)})).countText);

        // A preset's row is switched off, never removed; the user's own rows can be removed.
        const NetworksModel presets = model(station({connector("adsb-lol")}), remote(QList{lolPreset}));
        QVERIFY(!presets.rows[0].removable);
        QCOMPARE(presets.rows[0].siteUrl, lolPreset.registrationUrl);
        QVERIFY(presets.localPortNote.contains("localhost:30005,"));
    }

    void livenessOnlyWhileFeedingAndOnlyForWhatIsOn()
    {
        const QHash<QString, ConnectorHealth> health{{"vireon", ConnectorHealth::connected()},
                                                     {"on", ConnectorHealth::connecting()},
                                                     {"off", ConnectorHealth::connected()}};
        const StationConfig config = station({connector("on"), connector("off", false)});
        const NetworksModel feeding = model(config, remote(QList<FeederConfig::Preset>{}), true, health);
        QCOMPARE(feeding.vireonHealth->tone, ConnectorHealthLine::Tone::connected);
        QCOMPARE(feeding.rows[0].health->tone, ConnectorHealthLine::Tone::connecting);
        QVERIFY(!feeding.rows[1].health);
        QVERIFY(!model(config, remote(QList<FeederConfig::Preset>{}), false, health).vireonHealth);

        StationConfig paused = config;
        paused.vireon.enabled = false;
        const NetworksModel off = model(paused, remote(QList<FeederConfig::Preset>{}), true, health);
        QVERIFY(!off.feedVireon && !off.vireonHealth);
        QCOMPARE(off.vireonNote.tone, Tone::warning);
    }

    void healthLine_data()
    {
        using Tone = ConnectorHealthLine::Tone;
        QTest::addColumn<bool>("feeding");
        QTest::addColumn<ConnectorHealth>("health");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tone");
        QTest::addColumn<QString>("toolTip");
        const QString failure =
            "Connection to feed.x:30004 failed (station " + sampleKey + "): 111 (Connection refused)";
        QTest::newRow("connected") << true << ConnectorHealth::connected() << "Connected"
                                   << int(Tone::connected) << "";
        QTest::newRow("connecting") << true << ConnectorHealth::connecting() << "Connecting\u2026"
                                    << int(Tone::connecting) << "";
        QTest::newRow("retrying: one short line, keys shortened")
            << true << ConnectorHealth::retrying(failure + "\nsecond line")
            << "Retrying \u2014 Connection to feed.x:30004 failed (station 0123\u2026" << int(Tone::retrying)
            << "Connection to feed.x:30004 failed (station 0123abcd\u2026): 111 (Connection refused)\nsecond "
               "line";
        QTest::newRow("nothing while feeding is stopped")
            << false << ConnectorHealth::connected() << "" << -1 << "";
    }
    void healthLine()
    {
        QFETCH(bool, feeding);
        QFETCH(ConnectorHealth, health);
        const QHash<QString, ConnectorHealth> map{{"net", health}};
        const auto line = ConnectorHealthLine::make(feeding, map, "net", {sampleKey});
        QTEST(line ? line->text : QString(), "text");
        QTEST(line ? int(line->tone) : -1, "tone");
        QTEST(line ? line->toolTip : QString(), "toolTip");
        QVERIFY(!ConnectorHealthLine::make(true, map, "not watched", {}));
    }

    void problem_data()
    {
        QTest::addColumn<CustomNetworkInput>("form");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<bool>("canAdd");
        QTest::newRow("fresh: no message, but nothing to add") << CustomNetworkInput() << QString() << false;
        QTest::newRow("an empty host hides every other problem")
            << entries("", "0", " ") << QString() << false;
        QTest::newRow("underscore in the host") << entries("my_host", "0") << sampleHost << false;
        QTest::newRow("port 0") << entries("feed.example.net", "0") << samplePort << false;
        QTest::newRow("leading plus") << entries("feed.example.net", "+30004") << QString() << true;
        QTest::newRow("leading zeros") << entries("h", "0000000000000000000000030004") << QString() << true;
        QTest::newRow("leading blank") << entries("h", " 30004") << samplePort << false;
        QTest::newRow("decimal point") << entries("h", "30004.0") << samplePort << false;
        QTest::newRow("above range") << entries("h", "65536") << samplePort << false;
        QTest::newRow("negative") << entries("h", "-5") << samplePort << false;
        QTest::newRow("huge") << entries("h", "99999999999999999999999") << samplePort << false;
        QTest::newRow("port checked before uuid") << entries("h", "", "bad uuid") << samplePort << false;
        QTest::newRow("blanks-only uuid") << entries("h", "30004", "   ") << sampleUuid << false;
        QTest::newRow("blank-padded uuid") << entries("h", "30004", " abc-1 ") << sampleUuid << false;
        QTest::newRow("valid uuid") << entries("h", "65535", "abc-1") << QString() << true;
        const QString sampleMlat = "MLAT server must be host:port, such as mlat.example.net:31090.";
        const auto withMlat = [](const QString& server, const QString& uuid = {}) {
            CustomNetworkInput form = entries("h", "30004", uuid);
            form.mlatServer = server;
            return form;
        };
        QTest::newRow("an MLAT server") << withMlat("mlat.example.net:31090") << QString() << true;
        QTest::newRow("an MLAT server without its port")
            << withMlat("mlat.example.net") << sampleMlat << false;
        QTest::newRow("an MLAT port out of range")
            << withMlat("mlat.example.net:65536") << sampleMlat << false;
        QTest::newRow("an MLAT host with an underscore") << withMlat("mlat_x:31090") << sampleMlat << false;
        QTest::newRow("an MLAT port with a sign") << withMlat("m:+31090") << sampleMlat << false;
        QTest::newRow("the uuid is checked before the MLAT server")
            << withMlat("nonsense", "bad uuid") << sampleUuid << false;
    }
    void problem()
    {
        QFETCH(CustomNetworkInput, form);
        QTEST(form.problem().value_or(QString()), "problem");
        QTEST(form.canAdd(), "canAdd");
        QCOMPARE(form.connector().has_value(), form.canAdd());
    }

    void theConnectorKeepsTheHostAsTypedAndTakesItAsLabelWhenUnnamed()
    {
        QCOMPARE(entries("Feed.Example.NET", "+30004").connector(),
                 std::optional(Connector{"custom-feed.example.net-30004", "Feed.Example.NET", true,
                                         "Feed.Example.NET", 30004, "beast_reduce_plus_out", std::nullopt}));
        CustomNetworkInput withMlat = entries("h", "1");
        withMlat.mlatServer = "Mlat.Example.NET:40900";
        QCOMPARE(withMlat.connector()->mlatServer,
                 std::optional(FeederConfig::MlatServer{"Mlat.Example.NET", 40900}));
        // A key the chosen protocol would not send is said, once the entries are right.
        CustomNetworkInput outKey = entries("h", "1", sampleKey);
        QVERIFY(!outKey.keyWarning());
        outKey.protocolName = "beast_out";
        QVERIFY(outKey.keyWarning());
        outKey.port = "0";
        QVERIFY(!outKey.keyWarning());
    }
};

QTEST_GUILESS_MAIN(TestNetworksModel)
#include "TestNetworksModel.moc"
