// What the decoder is given: the station's arguments or the one thing wrong with them, the gain as
// that decoder reads it (asked of its help once per file version), and a word for each key that will
// not arrive as typed.
#include "decoder/DecoderGain.h"
#include "decoder/DecoderHelpProbe.h"
#include "decoder/KeyTransmission.h"
#include "decoder/ReadsbCommand.h"
#include "support/ManualTimeSource.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::ManualTimeSource;
using Connector = ReadsbCommand::Connector;
using ValidationError = ReadsbCommand::ValidationError;

Q_DECLARE_METATYPE(StationConfig)
Q_DECLARE_METATYPE(Connector)

namespace {

const FeederConfig::Ingest remoteIngest{"feed.vireon.network", 30004, "beast_reduce_plus_out"};
const QString jsonDirectoryPath = QStringLiteral("/home/station/.config/VireonFeeder/readsb-json");
const QString primaryValue = QStringLiteral("feed.vireon.network,30004,beast_reduce_plus_out");

StationConfig::ExtraConnector extra(QString id, QString host, bool enabled = true, qint64 port = 30004,
                                    QString protocol = "beast_out")
{
    return {id, std::nullopt, enabled, host, port, protocol, std::nullopt};
}

// A default station (primary network on, at 0, 0, beast port 30005) with one edit applied.
StationConfig station(const std::function<void(StationConfig&)>& edit)
{
    StationConfig config;
    edit(config);
    return config;
}

QStringList expectedArguments(const QStringList& connectorValues, const QString& gain = "auto",
                              const QString& lat = "0.000000", const QString& lon = "0.000000")
{
    QStringList list =
        QString("--device-type rtlsdr --gain %1 --lat %2 --lon %3 --net").arg(gain, lat, lon).split(' ');
    for (const QString& value : connectorValues)
        list << "--net-connector" << value;
    return list +
           QString("--net-bo-port 30005 --write-json %1 --write-json-every 1 --json-location-accuracy 1 "
                   "--stats-every 60")
               .arg(jsonDirectoryPath)
               .split(' ');
}

// The value, or the one message of the error, so a table can expect either.
template <typename T>
QStringList outcome(const std::variant<T, ValidationError>& result)
{
    if (const auto* error = std::get_if<ValidationError>(&result))
        return {error->errorDescription()};
    return QStringList() << std::get<T>(result);
}

QStringList argumentsOf(const StationConfig& config)
{
    return outcome(ReadsbCommand::arguments(config, remoteIngest, jsonDirectoryPath));
}

Connector connector(QString host, qint64 port = 30004, QString protocol = "beast_out",
                    std::optional<QString> uuid = std::nullopt)
{
    return {"mine", "My Net", host, port, protocol, uuid, false};
}

// Row names show a line feed as \n so each row stays on one line of the log.
QByteArray visible(const QString& text)
{
    return QString(text).replace(QLatin1Char('\n'), QLatin1String("\\n")).toUtf8();
}

} // namespace

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
    // A decimal comma in the arguments would put the station somewhere else entirely.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void stationBecomesArguments_data()
    {
        QTest::addColumn<StationConfig>("config");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("without connectors the nineteen fixed arguments, the position with a full stop")
            << station([](StationConfig& c) {
                   c.vireon.enabled = false;
                   c.station.gain = "-4.5E1";
                   c.station.lat = 52.520008;
                   c.station.lon = -13.4049544;
               })
            << expectedArguments({}, "-4.5E1", "52.520008", "-13.404954");
        QTest::newRow("the primary network without a station key sends host, port and protocol only")
            << StationConfig{} << expectedArguments({primaryValue});
        QTest::newRow("the station key is sent as the primary network's uuid")
            << station([](StationConfig& c) { c.vireon.uuid = "0f1e2d3c-4b5a"; })
            << expectedArguments({primaryValue + ",uuid=0f1e2d3c-4b5a"});
        QTest::newRow("host, port and protocol overrides each replace their own part only")
            << station([](StationConfig& c) {
                   c.vireon.host = "ingest.test";
                   c.vireon.port = 31090;
                   c.vireon.protocolName = "beast_out";
               })
            << expectedArguments({"ingest.test,31090,beast_out"});
        QTest::newRow("enabled extra connectors follow the primary in file order, disabled ones left out")
            << station([](StationConfig& c) {
                   c.extraConnectors = {extra("b", "b.test"),
                                        extra("off", "not a host", false, 0, "nonsense"),
                                        extra("a", "a.test", true, 1, "beast_reduce_plus_out")};
                   c.extraConnectors[0].uuid = "KEY-1";
               })
            << expectedArguments(
                   {primaryValue, "b.test,30004,beast_out,uuid=KEY-1", "a.test,1,beast_reduce_plus_out"});
    }
    void stationBecomesArguments()
    {
        QFETCH(StationConfig, config);
        QTEST(argumentsOf(config), "expected");
    }

    // Connectors are named by their label, else by their id.
    void reportsTheGainThenTheBeastPortThenTheFirstBadConnector()
    {
        StationConfig config;
        config.station.gain = "loud";
        config.localOutputs.beastPort = 0;
        config.vireon.host = "bad_host";
        config.extraConnectors = {extra("first", "ok.test"), extra("second", ""),
                                  extra("third", "ok.test", true, 30004, "BEAST_OUT")};
        QCOMPARE(argumentsOf(config),
                 QStringList{"Gain “loud” is invalid — use “auto” or a dB number like 43.9."});
        config.station.gain = "49.6";
        QCOMPARE(argumentsOf(config), QStringList{"localOutputs.beastPort 0 is out of range 1–65535."});
        config.localOutputs.beastPort = 65535;
        QCOMPARE(argumentsOf(config),
                 QStringList{
                     "Connector “Vireon”: invalid host “bad_host” (letters, digits, dots and dashes only)."});
        config.vireon.enabled = false;
        QCOMPARE(argumentsOf(config), QStringList{"Connector “second”: host is empty."});
        config.extraConnectors[1].label = "Second Net";
        QCOMPARE(argumentsOf(config), QStringList{"Connector “Second Net”: host is empty."});
    }

    void gainIsAutoOrOneStrictNumber_data()
    {
        QTest::addColumn<QString>("gain");
        QTest::addColumn<bool>("valid");
        for (const char* gain : {"auto", "43.9", "-3", "+4.5", "1e5", "2.5E-1", ".5", "5."})
            QTest::addRow("gain \"%s\" is accepted", gain) << QString(gain) << true;
        for (const char* gain : {"Auto", "", " 40", "43.9\n", "49,6", "40dB", "inf", "nan", "0x1A", "1e", ".",
                                 "--3", "4.5.1", "٤٣"})
            QTest::addRow("gain \"%s\" is refused", visible(gain).constData()) << QString(gain) << false;
    }
    void gainIsAutoOrOneStrictNumber()
    {
        QFETCH(QString, gain);
        QTEST(ReadsbCommand::isValidGain(gain), "valid");
    }

    void connectorValueOrItsError_data()
    {
        QTest::addColumn<Connector>("connector");
        QTest::addColumn<QString>("expected");

        QTest::newRow("a one-letter host on port 1") << connector("a", 1) << "a,1,beast_out";
        QTest::newRow("a host with digits, inner hyphens and doubled dots on port 65535")
            << connector("10.0-1..y", 65535) << "10.0-1..y,65535,beast_out";
        QTest::newRow("a 64-character uuid") << connector("h", 5, "beast_reduce_plus_out", QString(64, 'F'))
                                             << "h,5,beast_reduce_plus_out,uuid=" + QString(64, 'F');
        for (const char* host : {"-lead", "trail.", "under_score", "host:30004", "host\n", "hôst"})
            QTest::addRow("host \"%s\" is refused", visible(host).constData())
                << connector(host, 0)
                << QStringLiteral(
                       "Connector “My Net”: invalid host “%1” (letters, digits, dots and dashes only).")
                       .arg(host);
        for (qint64 port : {0, 65536})
            QTest::addRow("port %lld is refused", port)
                << connector("h", port, "nope")
                << QStringLiteral("Connector “My Net”: port %1 is out of range 1–65535.").arg(port);
        QTest::newRow("an unknown protocol is refused before a bad uuid")
            << connector("h", 1, "beast", QString("bad uuid"))
            << "Connector “My Net”: protocol “beast” is not supported (use beast_reduce_plus_out or "
               "beast_out).";
        for (const QString& uuid : {QString(), QString(65, 'a'), QString("a_b"), QString("abc\n")})
            QTest::addRow("uuid \"%s\" is refused", visible(uuid).constData())
                << connector("h", 1, "beast_out", uuid)
                << "Connector “My Net”: UUID may only contain letters, digits and dashes.";
    }
    void connectorValueOrItsError()
    {
        QFETCH(Connector, connector);
        QFETCH(QString, expected);
        QCOMPARE(outcome(connector.argumentValue()), QStringList{expected});
    }

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
