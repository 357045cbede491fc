#include "app/AppSettings.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using vireon::AppSettings;

namespace {

using Getter = bool (AppSettings::*)() const;
using Setter = void (AppSettings::*)(bool);

struct Switch {
    QString key;
    Getter get;
    Setter set;
};

const QList<Switch> switches{
    {QStringLiteral("launchAtLogin"), &AppSettings::launchAtLogin, &AppSettings::setLaunchAtLogin},
    {QStringLiteral("preventSleepWhileFeeding"), &AppSettings::preventSleepWhileFeeding,
     &AppSettings::setPreventSleepWhileFeeding},
    {QStringLiteral("hasCompletedOnboarding"), &AppSettings::hasCompletedOnboarding,
     &AppSettings::setHasCompletedOnboarding},
    {QStringLiteral("feedingDesired"), &AppSettings::feedingDesired, &AppSettings::setFeedingDesired},
    {QStringLiteral("vireonPauseWarned"), &AppSettings::vireonPauseWarned,
     &AppSettings::setVireonPauseWarned},
};

} // namespace

class TestAppSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString storePath() const { return m_dir.filePath(QStringLiteral("settings.ini")); }

    static void addSwitchRows()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < switches.size(); ++i)
            QTest::newRow(qPrintable(switches[i].key)) << i;
    }

private Q_SLOTS:
    void init() { QFile::remove(storePath()); }

    void aFirstRunHasEverySwitchOff()
    {
        QSettings store(storePath(), QSettings::IniFormat);
        AppSettings settings(store);
        for (const Switch& s : switches)
            QVERIFY2(!(settings.*s.get)(), qPrintable(s.key));
    }

    // Catches a switch stored under another switch's key, or not stored at all.
    void eachSwitch_survivesARestartUnderItsOwnKeyOnly_data() { addSwitchRows(); }
    void eachSwitch_survivesARestartUnderItsOwnKeyOnly()
    {
        QFETCH(int, index);
        const Switch& changed = switches[index];
        {
            QSettings store(storePath(), QSettings::IniFormat);
            AppSettings settings(store);
            (settings.*changed.set)(true);
        }
        QSettings reopened(storePath(), QSettings::IniFormat);
        QCOMPARE(reopened.allKeys(), QStringList{changed.key});
        QCOMPARE(reopened.value(changed.key).toString(), QStringLiteral("true"));
        AppSettings restarted(reopened);
        for (const Switch& s : switches)
            QCOMPARE((restarted.*s.get)(), s.key == changed.key);
    }

    void eachSwitch_announcesOnceWithTheNewValueInPlace_data() { addSwitchRows(); }
    void eachSwitch_announcesOnceWithTheNewValueInPlace()
    {
        QFETCH(int, index);
        const Switch& s = switches[index];
        QSettings store(storePath(), QSettings::IniFormat);
        AppSettings settings(store);
        QList<bool> seen;
        connect(&settings, &AppSettings::changed, this, [&] { seen.append((settings.*s.get)()); });
        (settings.*s.set)(true);
        (settings.*s.set)(false);
        QCOMPARE(seen, (QList<bool>{true, false}));
    }

    void eachSwitch_assigningTheSameValueStillAnnouncesAndWrites_data() { addSwitchRows(); }
    void eachSwitch_assigningTheSameValueStillAnnouncesAndWrites()
    {
        QFETCH(int, index);
        const Switch& s = switches[index];
        QSettings store(storePath(), QSettings::IniFormat);
        AppSettings settings(store);
        QSignalSpy spy(&settings, &AppSettings::changed);
        (settings.*s.set)(false);
        QCOMPARE(spy.count(), 1);
        QSettings onDisk(storePath(), QSettings::IniFormat);
        QVERIFY(onDisk.contains(s.key));
        QCOMPARE(onDisk.value(s.key).toString(), QStringLiteral("false"));
    }

    void handEditedValues_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("expected");
        QTest::newRow("true is on") << "true" << true;
        QTest::newRow("TRUE in capitals is on") << "TRUE" << true;
        QTest::newRow("1 is on") << "1" << true;
        QTest::newRow("false is off") << "false" << false;
        QTest::newRow("0 is off") << "0" << false;
        QTest::newRow("an empty value is off") << "" << false;
        QTest::newRow("a stray word is off, not on") << "maybe" << false;
    }

    void handEditedValues()
    {
        QFETCH(QString, written);
        QFETCH(bool, expected);
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nfeedingDesired=" + written.toUtf8() + "\n");
        file.close();
        QSettings store(storePath(), QSettings::IniFormat);
        QCOMPARE(AppSettings(store).feedingDesired(), expected);
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "TestAppSettings.moc"
