#include "decoder/DecoderGain.h"

#include <QtTest>

using namespace vireon;

class TestDecoderGain : public QObject {
    Q_OBJECT

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
        QFETCH(bool, offersAuto);
        QCOMPARE(DecoderGain::helpOffersAutoGain(help), offersAuto);
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
        QFETCH(QStringList, passed);
        QCOMPARE(DecoderGain::passedArguments(arguments, readsAuto), passed);
    }
};

QTEST_GUILESS_MAIN(TestDecoderGain)
#include "TestDecoderGain.moc"
