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

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")).toUtf8());
        m_autostart = m_dir->filePath(QStringLiteral("config/autostart"));
        m_entry = m_autostart + QStringLiteral("/vireon-feeder.desktop");
        // Any warning beyond the one a failure case expects is a fault.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    }

    void enablingWritesAnEntryThatStartsThisExecutable()
    {
        QCOMPARE(LoginItemManager::defaultAutostartDirectory(), m_autostart);
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

        QVERIFY(LoginItemManager::setEnabled(false));
        QVERIFY(!QFile::exists(m_entry));
        // Already off: nothing to do, nothing created.
        QVERIFY(LoginItemManager::setEnabled(false));
        QVERIFY(!QFile::exists(m_entry));
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("a plain path stays bare") << "/usr/bin/vireon-feeder"
                                                 << "/usr/bin/vireon-feeder";
        QTest::newRow("a space is quoted") << "/opt/My Apps/f"
                                           << "\"/opt/My Apps/f\"";
        QTest::newRow("a double quote is escaped inside quotes") << "/opt/a\"b"
                                                                 << "\"/opt/a\\\\\"b\"";
        QTest::newRow("a backslash is written four times") << "/opt/a\\b"
                                                           << "\"/opt/a\\\\\\\\b\"";
        QTest::newRow("a percent sign is doubled") << "/opt/100%/f"
                                                   << "/opt/100%%/f";
    }
    void execQuoting()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(LoginItemManager::execValue(path), exec);
    }

    void enablingWhenAlreadyEnabledLeavesTheFileUnlessItStartsAnotherCopy()
    {
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, m_executable));
        write(m_entry, read(m_entry) + QStringLiteral("# the user's note\n"));
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, m_executable));
        QVERIFY(read(m_entry).endsWith(QStringLiteral("# the user's note\n")));

        // Moved or reinstalled elsewhere (here given as a relative path): the entry follows.
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, QStringLiteral("bin/feeder")));
        QVERIFY(read(m_entry).contains("\nExec=" + QDir::current().filePath("bin/feeder") + "\n"));
    }

    void entriesTheSessionWouldNotStart_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("Hidden = true is off") << "Hidden = true\n" << false;
        QTest::newRow("switched off for GNOME is off") << "X-GNOME-Autostart-enabled=false\n" << false;
        QTest::newRow("Hidden=true in another group does not count") << "[Desktop Action Quit]\nHidden=true\n"
                                                                     << true;
        QTest::newRow("a commented-out Hidden does not count") << "#Hidden=true\n" << true;
    }
    void entriesTheSessionWouldNotStart()
    {
        QFETCH(QString, extra);
        QFETCH(bool, enabled);
        const QString content = "[Desktop Entry]\nType=Application\nExec=" + m_executable + "\n" + extra;
        write(m_entry, content);
        QCOMPARE(LoginItemManager::isEnabled(m_autostart), enabled);
        if (!enabled) {
            // Switching off what is already off leaves the user's file as it is.
            QVERIFY(LoginItemManager::setEnabled(false, m_autostart, m_executable));
            QCOMPARE(read(m_entry), content);
        }
        QVERIFY(LoginItemManager::setEnabled(true, m_autostart, m_executable));
        QVERIFY(LoginItemManager::isEnabled(m_autostart));
    }

    void failuresWriteOneWarning_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("executable");
        QTest::newRow("the config folder is a regular file") << "config" << m_executable;
        QTest::newRow("a folder has the entry's name")
            << "config/autostart/vireon-feeder.desktop/x" << m_executable;
        QTest::newRow("the executable is unknown") << QString() << QString();
    }
    void failuresWriteOneWarning()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, executable);
        if (!blocker.isEmpty())
            write(m_dir->filePath(blocker), QStringLiteral("in the way"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^LoginItemManager: failed to register: .+")));
        QVERIFY(!LoginItemManager::setEnabled(true, m_autostart, executable));
        QVERIFY(!LoginItemManager::isEnabled(m_autostart));
    }
};

QTEST_GUILESS_MAIN(TestLoginItemManager)
#include "TestLoginItemManager.moc"
