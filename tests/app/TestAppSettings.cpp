#include "app/AppSettings.h"

#include <QtTest>

using vireon::AppSettings;

namespace {

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
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "TestAppSettings.moc"
