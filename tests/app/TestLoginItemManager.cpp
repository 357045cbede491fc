#include "app/LoginItemManager.h"

#include <QtTest>

using vireon::LoginItemManager;

class TestLoginItemManager : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_autostart;
    QString m_entry;
    const QString m_executable = QStringLiteral("/opt/vireon-feeder/bin/vireon-feeder");

    static QString read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    static void write(const QString& path, const QString& text)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }
    void expectOneWarning(const char* action)
    {
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(QStringLiteral("^LoginItemManager: failed to %1: .+").arg(action)));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")).toUtf8());
        m_autostart = m_dir->filePath(QStringLiteral("config/autostart"));
        m_entry = m_autostart + QStringLiteral("/vireon-feeder.desktop");
        // Any warning beyond the one a failure case expects is a fault.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    }

    void theAutostartDirectoryFollowsXdgConfigHome_data()
    {
        QTest::addColumn<QByteArray>("configHome");
        QTest::addColumn<QString>("expected");
        const QString home = QDir::homePath();
        QTest::newRow("set") << QByteArray("/srv/cfg") << "/srv/cfg/autostart";
        QTest::newRow("unset falls back to ~/.config") << QByteArray() << home + "/.config/autostart";
        QTest::newRow("relative is ignored") << QByteArray("cfg") << home + "/.config/autostart";
    }
    void theAutostartDirectoryFollowsXdgConfigHome()
    {
        QFETCH(QByteArray, configHome);
        QFETCH(QString, expected);
        if (configHome.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", configHome);
        QCOMPARE(LoginItemManager::defaultAutostartDirectory(), expected);
    }

    void enablingWritesAnEntryThatStartsThisExecutable()
    {
        QVERIFY(!LoginItemManager::isEnabled());
        QVERIFY(LoginItemManager::setEnabled(true));
        QVERIFY(LoginItemManager::isEnabled());

        const QStringList lines = read(m_entry).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
        for (const QString& expected :
             {QStringLiteral("Type=Application"), QStringLiteral("Name=Vireon Feeder"),
              QStringLiteral("X-GNOME-Autostart-enabled=true"),
              QStringLiteral("Exec=") + LoginItemManager::execValue(QCoreApplication::applicationFilePath())})
            QVERIFY2(lines.contains(expected), qPrintable(expected));
        QVERIFY(QFileInfo(QCoreApplication::applicationFilePath()).isAbsolute());

        QVERIFY(LoginItemManager::setEnabled(false));
        QVERIFY(!QFile::exists(m_entry));
        QVERIFY(!LoginItemManager::isEnabled());
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("a plain path stays bare") << "/usr/bin/vireon-feeder"
                                                 << "/usr/bin/vireon-feeder";
        QTest::newRow("a space is quoted") << "/opt/My Apps/feeder"
                                           << "\"/opt/My Apps/feeder\"";
        QTest::newRow("a double quote is escaped inside quotes") << "/opt/a\"b"
                                                                 << "\"/opt/a\\\\\"b\"";
        QTest::newRow("a dollar sign is escaped") << "/opt/$HOME/f"
                                                  << "\"/opt/\\\\$HOME/f\"";
        QTest::newRow("a backtick is escaped") << "/opt/a`b"
                                               << "\"/opt/a\\\\`b\"";
        QTest::newRow("a backslash becomes four") << "/opt/a\\b"
                                                  << "\"/opt/a\\\\\\\\b\"";
        QTest::newRow("a single quote only needs the quotes") << "/opt/it's/f"
                                                              << "\"/opt/it's/f\"";
        QTest::newRow("a percent sign is doubled") << "/opt/100%/f"
                                                   << "/opt/100%%/f";
        QTest::newRow("a newline is quoted and escaped") << "/opt/a\nb"
                                                         << "\"/opt/a\\nb\"";
    }
    void execQuoting()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(LoginItemManager::execValue(path), exec);
    }

    void aRelativeExecutableIsWrittenAsAnAbsolutePath()
    {
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, QStringLiteral("bin/feeder")));
        QVERIFY(
            read(m_entry).contains(QStringLiteral("Exec=") + QDir::current().filePath("bin/feeder") + "\n"));
    }

    void settingTheStateItAlreadyHasChangesNothing()
    {
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, m_executable));
        write(m_entry, read(m_entry) + QStringLiteral("# the user's note\n"));
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, m_executable));
        QVERIFY(read(m_entry).endsWith(QStringLiteral("# the user's note\n")));

        QVERIFY(QFile::remove(m_entry));
        QVERIFY(LoginItemManager::setEnabled(false, m_autostart, m_executable));
        QVERIFY(!QFile::exists(m_entry));
    }

    void entriesTheSessionWouldNotStart_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("enabled");
        const QString head =
            QStringLiteral("[Desktop Entry]\nType=Application\nExec=/opt/vireon-feeder/bin/vireon-feeder\n");
        QTest::newRow("Hidden=true is switched off") << head + "Hidden=true\n" << false;
        QTest::newRow("Hidden = true with spaces is switched off") << head + "Hidden = true\n" << false;
        QTest::newRow("switched off for GNOME") << head + "X-GNOME-Autostart-enabled=false\n" << false;
        QTest::newRow("Hidden=false is on") << head + "Hidden=false\n" << true;
        QTest::newRow("Hidden=true in another group does not count")
            << head + "[Desktop Action Quit]\nHidden=true\n"
            << true;
        QTest::newRow("a commented-out Hidden does not count") << head + "#Hidden=true\n" << true;
    }
    void entriesTheSessionWouldNotStart()
    {
        QFETCH(QString, content);
        QFETCH(bool, enabled);
        write(m_entry, content);
        QCOMPARE(LoginItemManager::isEnabled(m_autostart), enabled);

        // Switching off an entry that is already off leaves the user's file alone.
        if (!enabled) {
            QVERIFY(LoginItemManager::setEnabled(false, m_autostart, m_executable));
            QCOMPARE(read(m_entry), content);
        }
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, m_executable));
        QVERIFY(LoginItemManager::isEnabled(m_autostart));
    }

    void anEntryForAnotherCopyOfTheProgramIsRewritten()
    {
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, QStringLiteral("/old/place/vireon-feeder")));
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, m_executable));
        QVERIFY(read(m_entry).contains(QStringLiteral("\nExec=") + m_executable + "\n"));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("executable");
        QTest::newRow("the config folder is a regular file") << "config" << m_executable;
        QTest::newRow("the entry's name is taken by a folder")
            << "config/autostart/vireon-feeder.desktop/x" << m_executable;
        QTest::newRow("the executable is unknown") << QString() << QString();
    }
    void failures()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, executable);
        if (!blocker.isEmpty())
            write(m_dir->filePath(blocker), QStringLiteral("in the way"));
        expectOneWarning("register");
        QVERIFY(!LoginItemManager::setEnabled(true, m_autostart, executable));
        QVERIFY(!LoginItemManager::isEnabled(m_autostart));
    }
};

QTEST_GUILESS_MAIN(TestLoginItemManager)
#include "TestLoginItemManager.moc"
