#include "app/AppSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using vireon::AppSettings;

namespace {

struct Switch {
    QString key;
    bool (AppSettings::*get)() const;
    void (AppSettings::*set)(bool);
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
    // One file per test row: QSettings caches files by name and may not notice a rewrite within the
    // same second.
    QString path() const
    {
        return m_dir.filePath(
            QStringLiteral("%1 %2.ini").arg(QTest::currentTestFunction(), QTest::currentDataTag()));
    }

private Q_SLOTS:

    void eachSwitch_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < switches.size(); ++i)
            QTest::newRow(qPrintable(switches[i].key)) << i;
    }

    // Starts off, writes through even an unchanged value, announces each assignment with the new value
    // in place, and comes back after a restart under its own key and no other.
    void eachSwitch()
    {
        QFETCH(int, index);
        const Switch& changed = switches[index];
        {
            QSettings store(path(), QSettings::IniFormat);
            AppSettings settings(store);
            for (const Switch& s : switches)
                QVERIFY2(!(settings.*s.get)(), qPrintable(s.key));
            QList<bool> announced;
            connect(&settings, &AppSettings::changed, this,
                    [&] { announced.append((settings.*changed.get)()); });

            (settings.*changed.set)(false);
            QCOMPARE(QSettings(path(), QSettings::IniFormat).value(changed.key).toString(),
                     QStringLiteral("false"));
            (settings.*changed.set)(true);
            QCOMPARE(announced, (QList<bool>{false, true}));
        }
        QSettings reopened(path(), QSettings::IniFormat);
        QCOMPARE(reopened.allKeys(), QStringList{changed.key});
        AppSettings restarted(reopened);
        for (const Switch& s : switches)
            QCOMPARE((restarted.*s.get)(), s.key == changed.key);
    }

    void handEditedValues_data()
    {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<bool>("expected");
        QTest::newRow("TRUE in capitals is on") << QByteArray("TRUE") << true;
        QTest::newRow("0 is off") << QByteArray("0") << false;
        QTest::newRow("a stray word is off, not on") << QByteArray("maybe") << false;
    }
    void handEditedValues()
    {
        QFETCH(QByteArray, written);
        QFETCH(bool, expected);
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nfeedingDesired=" + written + "\n");
        file.close();
        QSettings store(path(), QSettings::IniFormat);
        QCOMPARE(AppSettings(store).feedingDesired(), expected);
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "TestAppSettings.moc"
