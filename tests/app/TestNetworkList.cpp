#include "app/NetworkList.h"

#include <QtTest>

using namespace vireon;
using Connector = StationConfig::ExtraConnector;

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

} // namespace

class TestNetworkList : public QObject {
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
};

QTEST_GUILESS_MAIN(TestNetworkList)
#include "TestNetworkList.moc"
