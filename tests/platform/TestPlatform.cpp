// The desktop's autostart entry, and numbers written as printf writes them whatever the locale.
#include "platform/CNumber.h"
#include "platform/LoginItemManager.h"

#include <QtTest>

using vireon::CNumber;
using vireon::LoginItemManager;

class TestPlatform : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_autostart;
    QString m_entry;
    const QString m_exe = QStringLiteral("/opt/vireon-feeder/bin/vireon-feeder");

    QString entry() const
    {
        QFile file(m_entry);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    static void write(const QString& path, const QString& text)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0);
    }
    bool enable(bool on, const QString& exe) { return LoginItemManager::setEnabled(on, m_autostart, exe); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")).toUtf8());
        m_autostart = m_dir->filePath(QStringLiteral("config/autostart"));
        m_entry = m_autostart + QStringLiteral("/vireon-feeder.desktop");
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    }

    void oneEntryStartsThisExecutableAndIsRewrittenOnlyWhenItMoves()
    {
        QVERIFY(LoginItemManager::setEnabled(true));
        const QStringList lines = entry().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
        for (const QString& expected :
             {QStringLiteral("Type=Application"), QStringLiteral("Name=Vireon Feeder"),
              "Exec=" + LoginItemManager::execValue(QCoreApplication::applicationFilePath())})
            QVERIFY2(lines.contains(expected), qPrintable(expected));

        // Desktops ignore an entry they cannot read; Debian's validator says what they would refuse.
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validator.isEmpty()) {
            QProcess check;
            check.start(validator, {m_entry});
            QVERIFY(check.waitForFinished());
            QVERIFY2(check.exitCode() == 0 && check.readAllStandardOutput().isEmpty(),
                     qPrintable(QString::fromUtf8(check.readAllStandardOutput())));
        }

        write(m_entry, entry() + QStringLiteral("# the user's note\n"));
        QVERIFY(LoginItemManager::setEnabled(true));
        QVERIFY(entry().endsWith(QStringLiteral("# the user's note\n")));
        // Moved or reinstalled elsewhere (here given as a relative path): the entry follows.
        QVERIFY(enable(true, QStringLiteral("bin/feeder")));
        QVERIFY(entry().contains("\nExec=" + QDir::current().filePath("bin/feeder") + "\n"));

        QVERIFY(LoginItemManager::setEnabled(false));
        QVERIFY(!QFile::exists(m_entry));
    }

    void execValueQuotesAndEscapesWhatTheSessionWouldSplitOrExpand()
    {
        QCOMPARE(LoginItemManager::execValue("/opt/My Apps/f"), QStringLiteral("\"/opt/My Apps/f\""));
        QCOMPARE(LoginItemManager::execValue("/opt/a\\b"), QStringLiteral("\"/opt/a\\\\\\\\b\""));
        QCOMPARE(LoginItemManager::execValue("/opt/100%/f"), QStringLiteral("/opt/100%%/f"));
    }

    void entriesTheSessionWouldNotStartCountAsOff_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("Hidden = true") << "Hidden = true";
        QTest::newRow("switched off for GNOME") << "X-GNOME-Autostart-enabled=false";
    }
    void entriesTheSessionWouldNotStartCountAsOff()
    {
        QFETCH(QString, line);
        const QString content = "[Desktop Entry]\nType=Application\nExec=" + m_exe + "\n" + line + "\n";
        write(m_entry, content);
        QVERIFY(!LoginItemManager::isEnabled());
        // Switching off what is already off leaves the user's file as it is; switching on takes it over.
        QVERIFY(enable(false, m_exe));
        QCOMPARE(entry(), content);
        QVERIFY(enable(true, m_exe));
        QVERIFY(LoginItemManager::isEnabled());
    }

    void failuresReportFalseWithOneWarningEach()
    {
        const QRegularExpression warning(QStringLiteral("^LoginItemManager: failed to register: .+"));
        QTest::ignoreMessage(QtWarningMsg, warning);
        QVERIFY(!enable(true, QString())); // the executable is unknown
        write(m_dir->filePath(QStringLiteral("config")), QStringLiteral("in the way"));
        QTest::ignoreMessage(QtWarningMsg, warning);
        QVERIFY(!enable(true, m_exe)); // the config folder is a regular file
    }

    void writesAsPrintfDoesInTheCLocale_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("an exact tie rounds to even, down") << QByteArray("%.6f") << 52.5078125 << "52.507812";
        QTest::newRow("an exact tie rounds to even, up") << QByteArray("%.6f") << 1.0234375 << "1.023438";
        QTest::newRow("a rate of 0.25") << QByteArray("%.1f") << 0.25 << "0.2";
        QTest::newRow("a rate of 0.35 is not a tie in binary") << QByteArray("%.1f") << 0.35 << "0.3";
        QTest::newRow("negative zero keeps its sign as printf does")
            << QByteArray("%.2f") << -0.001 << "-0.00";
        QTest::newRow("a number longer than the short buffer is not cut")
            << QByteArray("%.1f") << 1e80
            << "100000000000000000026609864708367276537402401181200809098131977453489758916313088.0";
    }
    void writesAsPrintfDoesInTheCLocale()
    {
        QFETCH(QByteArray, format);
        QFETCH(double, value);
        QTEST(CNumber::format(format.constData(), value), "expected");
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "TestPlatform.moc"
