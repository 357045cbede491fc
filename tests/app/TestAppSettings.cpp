// What the user's choices leave behind: the switches in the user settings, and what switching, keying,
// adding and removing a network does to the station configuration.
#include "app/AppSettings.h"
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

struct Switch {
    const char* key;
    bool (AppSettings::*get)() const;
    void (AppSettings::*set)(bool);
};
const Switch switches[] = {
    {"launchAtLogin", &AppSettings::launchAtLogin, &AppSettings::setLaunchAtLogin},
    {"preventSleepWhileFeeding", &AppSettings::preventSleepWhileFeeding,
     &AppSettings::setPreventSleepWhileFeeding},
    {"hasCompletedOnboarding", &AppSettings::hasCompletedOnboarding, &AppSettings::setHasCompletedOnboarding},
    {"feedingDesired", &AppSettings::feedingDesired, &AppSettings::setFeedingDesired},
    {"vireonPauseWarned", &AppSettings::vireonPauseWarned, &AppSettings::setVireonPauseWarned},
};

} // namespace

class TestAppSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    // One file per row: QSettings caches files by name and may miss a rewrite within the same second.
    QString path() const { return m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()) + ".ini"); }

private Q_SLOTS:
    void eachSwitchIsWrittenAtOnceAnnouncedAndReadBackAfterARestart_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 5; ++i)
            QTest::newRow(switches[i].key) << i;
    }
    void eachSwitchIsWrittenAtOnceAnnouncedAndReadBackAfterARestart()
    {
        QFETCH(int, index);
        const Switch& sw = switches[index];
        {
            QSettings store(path(), QSettings::IniFormat);
            AppSettings settings(store);
            QList<bool> announced;
            connect(&settings, &AppSettings::changed, this, [&] { announced.append((settings.*sw.get)()); });
            (settings.*sw.set)(false); // unchanged: still written, but no news
            QFile file(path());        // on disk, not only in the store's memory
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains(sw.key + QByteArray("=false")));
            (settings.*sw.set)(true);
            QCOMPARE(announced, (QList<bool>{true}));
        }
        QSettings reopened(path(), QSettings::IniFormat);
        AppSettings restarted(reopened);
        for (const Switch& s : switches)
            QVERIFY2((restarted.*s.get)() == (&s == &sw), s.key);
    }

    void handEditedValuesCountOnlyWhenClearlyOn()
    {
        QSettings store(path(), QSettings::IniFormat);
        store.setValue("launchAtLogin", "TRUE"); // as text, the way a hand edit leaves them
        store.setValue("feedingDesired", "maybe");
        AppSettings settings(store);
        QVERIFY(settings.launchAtLogin());   // capitals still mean yes
        QVERIFY(!settings.feedingDesired()); // a stray word is not a yes
    }

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

QTEST_GUILESS_MAIN(TestAppSettings)
#include "TestAppSettings.moc"
