// What the decoder is given beyond the station's own arguments: the gain as that decoder reads it
// (asked of its help once per file version), and a word for each key that will not arrive as typed.
#include "decoder/DecoderGain.h"
#include "decoder/DecoderHelpProbe.h"
#include "decoder/KeyTransmission.h"
#include "support/ManualTimeSource.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::ManualTimeSource;

class TestDecoderArguments : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString script(const QString& name, const QByteArray& body)
    {
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n" + body);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file.fileName();
    }

private Q_SLOTS:
    void gainEntryOfTheHelp_data()
    {
        QTest::addColumn<QString>("help");
        QTest::addColumn<bool>("offersAuto");

        QFile help(QStringLiteral(VIREON_TEST_DATA_DIR "/readsb-3.14-help.txt"));
        QVERIFY(help.open(QIODevice::ReadOnly));
        QTest::newRow("readsb 3.14, whose other options mention auto")
            << QString::fromUtf8(help.readAll()) << false;
        QTest::newRow("auto in the gain entry")
            << QStringLiteral("  --freq=<hz>  Set frequency\n  --gain=<db>  Set gain (default: auto)\n")
            << true;
        QTest::newRow("auto on a wrapped line of the gain entry")
            << QStringLiteral("  --gain=<db>  Set gain, in dB or\n               AUTO for automatic gain\n  "
                              "--freq=<hz>\n")
            << true;
        QTest::newRow("auto only in the option after gain")
            << QStringLiteral("  --gain=<db>  Set gain\n  --gain-auto  Automatic gain\n") << false;
        QTest::newRow("auto after a blank line that ends the entry")
            << QStringLiteral("  -g, --gain=<db>  Set gain\n\nauto\n") << false;
        QTest::newRow("short and long option names")
            << QStringLiteral("  -g, --gain=<db>  auto or dB\n") << true;
        QTest::newRow("no gain option") << QStringLiteral("  --auto-exit=<sec>  Run, then exit\n") << false;
        QTest::newRow("no help at all") << QString() << false;
    }
    void gainEntryOfTheHelp()
    {
        QFETCH(QString, help);
        QTEST(DecoderGain::helpOffersAutoGain(help), "offersAuto");
    }

    void passedArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("readsAuto");
        QTest::addColumn<QStringList>("passed");

        const QStringList autoGain{"--device-type", "rtlsdr", "--gain", "auto", "--lat", "1.000000"};
        QTest::newRow("auto to a decoder that reads it") << autoGain << true << autoGain;
        QTest::newRow("auto to readsb 3.14 asks for the tuner's AGC")
            << autoGain << false
            << QStringList{"--device-type", "rtlsdr", "--gain", "-10", "--lat", "1.000000"};
        QTest::newRow("a manual gain passes unchanged")
            << QStringList{"--gain", "43.9"} << false << QStringList{"--gain", "43.9"};
        QTest::newRow("the word in another case is not the automatic gain")
            << QStringList{"--gain", "Auto"} << false << QStringList{"--gain", "Auto"};
        QTest::newRow("joined form") << QStringList{"--gain=auto"} << false << QStringList{"--gain=-10"};
        QTest::newRow("auto as another option's value stays")
            << QStringList{"--net-connector", "auto", "--gain", "1"} << false
            << QStringList{"--net-connector", "auto", "--gain", "1"};
        QTest::newRow("gain without a value") << QStringList{"--gain"} << false << QStringList{"--gain"};
    }
    void passedArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, readsAuto);
        QTEST(DecoderGain::passedArguments(arguments, readsAuto), "passed");
    }

    void warning_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("warning");

        const QString plus = QStringLiteral("beast_reduce_plus_out");
        const QString host = QStringLiteral("feed.vireon.network");
        const QString notSent = QStringLiteral(
            "This key is not sent: the decoder sends only keys of 28 to 36 characters; networks expect a "
            "36-character UUID.");
        const QString padded =
            QStringLiteral("This key is sent padded with \u201cf\u201d to 36 characters; networks expect a "
                           "36-character UUID.");
        const QString cut = QStringLiteral("Only the first 36 characters of this key are sent.");
        const QString noKeyOnBeastOut =
            QStringLiteral("beast_out sends no key; choose beast_reduce_plus_out to be attributed.");

        QTest::newRow("36 characters on beast_reduce_plus_out")
            << QString(36, u'a') << plus << host << QString();
        QTest::newRow("27 characters are not sent") << QString(27, u'a') << plus << host << notSent;
        QTest::newRow("28 characters are padded") << QString(28, u'a') << plus << host << padded;
        QTest::newRow("35 characters are padded") << QString(35, u'a') << plus << host << padded;
        QTest::newRow("37 characters are cut") << QString(37, u'a') << plus << host << cut;
        QTest::newRow("no key, nothing to say") << QString() << plus << host << QString();
        QTest::newRow("beast_out sends no key")
            << QString(36, u'a') << "beast_out" << host << noKeyOnBeastOut;
        QTest::newRow("beast_out to an ADSBExchange feed host sends a short key not")
            << QString(10, u'a') << "beast_out"
            << "feed1.adsbexchange.com" << notSent;
        QTest::newRow("beast_out to an ADSBExchange feed host sends a full key")
            << QString(36, u'a') << "beast_out"
            << "feed.adsbexchange.com" << QString();
        QTest::newRow("beast_out to another ADSBExchange host sends none")
            << QString(36, u'a') << "beast_out"
            << "www.adsbexchange.com" << noKeyOnBeastOut;
        QTest::newRow("an unsupported protocol is for validation to name")
            << QString(36, u'a') << "raw_out" << host << QString();
    }
    void warning()
    {
        QFETCH(QString, key);
        QFETCH(QString, protocol);
        QFETCH(QString, host);
        QTEST(KeyTransmission::warning(key, protocol, host).value_or(QString()), "warning");
    }

    void aLogLineAtLaunchForEachKeyThatDoesNotArriveAsTyped()
    {
        const QString key = "uuid=0123abcd-0000-4000-8000-000000000001";
        const QStringList arguments =
            QString(
                "--gain auto --net --net-connector feed.vireon.network,30004,beast_reduce_plus_out,uuid=x "
                "--net-connector Other.example,30005,beast_out,%1 --net-connector "
                "fine.example,30006,beast_reduce_plus_out,%1 --net-connector nokey.example,30007,beast_out "
                "--net-bo-port 30005")
                .arg(key)
                .split(u' ');
        const QList<MonitoredConnector> connectors{{"vireon", "Vireon", "feed.vireon.network", 30004, true},
                                                   {"other", "Other", "other.example", 30005, false}};
        const QStringList lines = KeyTransmission::launchLogLines(arguments, connectors);
        QCOMPARE(lines.size(), 2);
        QVERIFY(
            lines[0].startsWith("supervisor: Vireon (feed.vireon.network:30004): This key is not sent: "));
        QVERIFY(lines[1].startsWith("supervisor: Other (Other.example:30005): beast_out sends no key"));
    }

    void answersFromTheHelpOncePerFileVersion()
    {
        ManualTimeSource clock;
        DecoderHelpProbe probe(clock);
        const QString decoder = script("decoder", "echo '  --gain=<db>  Set gain (default: auto)'\n");
        QList<bool> answers;
        probe.ask(decoder, [&](bool readsAuto) { answers.append(readsAuto); });
        probe.ask(decoder, [&](bool readsAuto) { answers.append(readsAuto); });
        QTRY_COMPARE(answers, (QList<bool>{true, true}));

        // The same file gives its answer at once; a replaced file is asked again.
        probe.ask(decoder, [&](bool readsAuto) { answers.append(readsAuto); });
        QCOMPARE(answers.size(), 3);
        QFile file(decoder);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(
            file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        QCOMPARE(probe.known(decoder), std::nullopt);
    }

    void aDecoderThatDoesNotAnswerInTimeCountsAsNotReadingAuto()
    {
        ManualTimeSource clock;
        DecoderHelpProbe probe(clock);
        std::optional<bool> answer;
        probe.ask(script("silent", "exec sleep 30\n"), [&](bool readsAuto) { answer = readsAuto; });
        clock.advance(DecoderHelpProbe::bound - 1ms);
        QCoreApplication::processEvents();
        QVERIFY(!answer);
        clock.advance(1ms);
        QCOMPARE(answer, false);
    }
};

QTEST_GUILESS_MAIN(TestDecoderArguments)
#include "TestDecoderArguments.moc"
