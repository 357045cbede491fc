// What switching, keying, adding and removing a network does to the station configuration.
#include "app/NetworkEdits.h"
#include "decoder/ReadsbCommand.h"

#include <QtTest>

using namespace vireon;
using Connector = StationConfig::ExtraConnector;

namespace {

Connector connector(const QString& id, const QString& label = {}, std::optional<QString> uuid = {})
{
    return Connector{id, label.isEmpty() ? id : label, true, "feed." + id, 30004, "beast_out", uuid};
}

QStringList ids(const StationConfig& config)
{
    QStringList result;
    for (const Connector& c : config.extraConnectors)
        result.append(c.id + (c.enabled ? "" : " off") + (c.uuid ? " key=" + *c.uuid : QString()));
    return result;
}

} // namespace

class TestNetworkEdits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aPresetSwitchedOnOffAndOnKeepsItsConnectorAndKey()
    {
        const QList<FeederConfig::Preset> presets = FeederConfig::builtInPresets();
        StationConfig config = NetworkEdits::withEnabled({}, "adsb-lol", presets, true);
        QCOMPARE(config.extraConnectors.value(0).host, presets.first().host);
        config = *NetworkEdits::withUuid(config, "adsb-lol", "  k-1 \n");
        config = NetworkEdits::withEnabled(config, "adsb-lol", presets, false);
        config = NetworkEdits::withEnabled(config, "adsb-lol", presets, true);
        QCOMPARE(ids(config), QStringList{"adsb-lol key=k-1"});
        // Nothing to switch on under a key that is neither a connector nor a preset.
        QCOMPARE(NetworkEdits::withEnabled(config, "nowhere", presets, true), config);
        QVERIFY(!NetworkEdits::withUuid(config, "nowhere", "k"));
        QVERIFY(!NetworkEdits::withUuid(config, "adsb-lol", "   ")->extraConnectors[0].uuid);
    }

    void twoConnectorsWithOneIdAreEditedAsTheFirstAndRemovedTogether()
    {
        StationConfig config;
        config.extraConnectors = {connector("twin", "First"), connector("other"),
                                  connector("twin", "Second")};
        config = NetworkEdits::withEnabled(config, "twin", {}, false);
        QCOMPARE(ids(config), (QStringList{"twin off", "other", "twin"}));
        config = NetworkEdits::withAdded(config, connector("twin", "Renamed", "k"));
        QCOMPARE(config.extraConnectors[0].label, QString("Renamed"));
        QCOMPARE(ids(config), (QStringList{"twin key=k", "other", "twin"}));
        config = NetworkEdits::withAdded(config, connector("new"));
        QCOMPARE(ids(NetworkEdits::without(config, "twin")), (QStringList{"other", "new"}));
    }

    void aGeneratedKeyIsAValidLowerCaseUuid()
    {
        const QString key = NetworkEdits::generatedUuid();
        QVERIFY(ReadsbCommand::isValidUuid(key) && key == key.toLower() && key.size() == 36);
        QVERIFY(key != NetworkEdits::generatedUuid());
    }
};

QTEST_GUILESS_MAIN(TestNetworkEdits)
#include "TestNetworkEdits.moc"
