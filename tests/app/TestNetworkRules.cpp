// The rows of the networks section and the form that adds a custom connector to them.
#include "app/CustomConnectorForm.h"
#include "app/NetworkList.h"

#include <QtTest>

using namespace vireon;
using Connector = StationConfig::ExtraConnector;

Q_DECLARE_METATYPE(vireon::CustomConnectorForm)
Q_DECLARE_METATYPE(vireon::FeederConfig)
Q_DECLARE_METATYPE(vireon::StationConfig)

namespace {

Connector connector(const QString& id, bool enabled = true)
{
    return Connector{id, id + " label", enabled, "feed." + id, 30004, "beast_reduce_plus_out", {}};
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

QStringList titles(const QList<NetworkList::Row>& rows)
{
    QStringList result;
    for (const auto& row : rows)
        result.append(row.title() + (row.preset ? "" : " (custom)") + (row.isEnabled() ? " on" : ""));
    return result;
}

const FeederConfig::Preset lolPreset = FeederConfig::builtInPresets().first();

CustomConnectorForm entries(const QString& host, const QString& port = "30004", const QString& uuid = {},
                            const QString& label = {})
{
    CustomConnectorForm form;
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

class TestNetworkRules : public QObject {
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
        QTEST(titles(NetworkList::rows(config, feeder)), "expected");
    }

    void problem_data()
    {
        QTest::addColumn<CustomConnectorForm>("form");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<bool>("canAdd");
        QTest::newRow("fresh: no message, but nothing to add") << CustomConnectorForm() << QString() << false;
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
    }
    void problem()
    {
        QFETCH(CustomConnectorForm, form);
        QTEST(form.problem().value_or(QString()), "problem");
        QTEST(form.canAdd(), "canAdd");
        QCOMPARE(form.connector().has_value(), form.canAdd());
    }

    void theConnectorKeepsTheHostAsTypedAndTakesItAsLabelWhenUnnamed()
    {
        QCOMPARE(entries("Feed.Example.NET", "+30004").connector(),
                 std::optional(Connector{"custom-feed.example.net-30004", "Feed.Example.NET", true,
                                         "Feed.Example.NET", 30004, "beast_reduce_plus_out", std::nullopt}));
    }

    void theSameHostAndPortReplaceTheFirstEntryInPlace()
    {
        StationConfig config;
        config.extraConnectors = {*entries("other").connector(), *entries("h", "1", {}, "First").connector(),
                                  *entries("H", "1", {}, "Twin").connector()};
        config = CustomConnectorForm::added(config, *entries("h", "+1", "k-1", "Renamed").connector());
        QCOMPARE(config.extraConnectors.size(), 3);
        QCOMPARE(config.extraConnectors[1].label, QString("Renamed"));
        QCOMPARE(config.extraConnectors[1].uuid, QString("k-1"));
        QCOMPARE(config.extraConnectors[2].label, QString("Twin"));
        config = CustomConnectorForm::added(config, *entries("h", "2").connector());
        QCOMPARE(config.extraConnectors.last().id, QString("custom-h-2"));
    }
};

QTEST_GUILESS_MAIN(TestNetworkRules)
#include "TestNetworkRules.moc"
