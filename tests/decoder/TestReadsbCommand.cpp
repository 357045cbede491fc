#include "decoder/ReadsbCommand.h"

#include <QtTest>

using vireon::FeederConfig;
using vireon::ReadsbCommand;
using vireon::StationConfig;
using Connector = ReadsbCommand::Connector;
using ValidationError = ReadsbCommand::ValidationError;

Q_DECLARE_METATYPE(StationConfig)
Q_DECLARE_METATYPE(Connector)

namespace {

const FeederConfig::Ingest kRemote{QStringLiteral("feed.vireon.network"), 30004,
                                   QStringLiteral("beast_reduce_plus_out")};
const QString kJsonDirectory = QStringLiteral("/home/station/.config/VireonFeeder/readsb-json");
const QString kPrimaryValue = QStringLiteral("feed.vireon.network,30004,beast_reduce_plus_out");

StationConfig::ExtraConnector extra(const QString& id, const QString& host, bool enabled = true,
                                    qint64 port = 30004,
                                    const QString& protocol = QStringLiteral("beast_out"))
{
    return {id, std::nullopt, enabled, host, port, protocol, std::nullopt};
}

StationConfig withoutPrimary()
{
    StationConfig config;
    config.vireon.enabled = false;
    return config;
}

// The fixed arguments around the given connector values, for a station at 0, 0 on beast port 30005.
QStringList expectedArguments(const QStringList& connectorValues,
                              const QString& gain = QStringLiteral("auto"))
{
    QStringList list =
        QString("--device-type rtlsdr --gain %1 --lat 0.000000 --lon 0.000000 --net").arg(gain).split(' ');
    for (const QString& value : connectorValues)
        list << "--net-connector" << value;
    return list +
           QString("--net-bo-port 30005 --write-json %1 --write-json-every 1 --json-location-accuracy 1 "
                   "--stats-every 60")
               .arg(kJsonDirectory)
               .split(' ');
}

// The argument list, or the one message of the error, so a table can expect either.
QStringList outcome(const std::variant<QStringList, ValidationError>& result)
{
    if (const auto* error = std::get_if<ValidationError>(&result))
        return {error->errorDescription()};
    return std::get<QStringList>(result);
}

Connector connector(const QString& host, qint64 port = 30004,
                    const QString& protocol = QStringLiteral("beast_out"),
                    std::optional<QString> uuid = std::nullopt)
{
    return {QStringLiteral("mine"), QStringLiteral("My Net"), host, port, protocol, uuid, false};
}

QString invalidHost(const QString& host)
{
    return QStringLiteral("Connector “My Net”: invalid host “%1” (letters, digits, dots and dashes only).")
        .arg(host);
}

// Row names show a line feed as \n so each row stays on one line of the log.
QByteArray visible(const QString& text)
{
    return QString(text).replace(QLatin1Char('\n'), QLatin1String("\\n")).toUtf8();
}

const QString kBadUUID =
    QStringLiteral("Connector “My Net”: UUID may only contain letters, digits and dashes.");

} // namespace

class TestReadsbCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void stationWithoutConnectorsGetsTheNineteenFixedArguments()
    {
        const QStringList expected =
            QString("--device-type rtlsdr --gain auto --lat 0.000000 --lon 0.000000 "
                    "--net --net-bo-port 30005 --write-json " +
                    kJsonDirectory + " --write-json-every 1 --json-location-accuracy 1 --stats-every 60")
                .split(' ');
        QCOMPARE(expected.size(), 19);
        QCOMPARE(outcome(ReadsbCommand::arguments(withoutPrimary(), kRemote, kJsonDirectory)), expected);
    }

    void positionHasSixDecimalsAndAFullStopInAnyLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        StationConfig config = withoutPrimary();
        config.station.lat = 52.520008;
        config.station.lon = -13.4049544;
        QStringList expected = expectedArguments({});
        expected[5] = QStringLiteral("52.520008");
        expected[7] = QStringLiteral("-13.404954");
        QCOMPARE(outcome(ReadsbCommand::arguments(config, kRemote, kJsonDirectory)), expected);
    }

    void connectorsBecomeNetConnectorArguments_data()
    {
        QTest::addColumn<StationConfig>("config");
        QTest::addColumn<QStringList>("connectorValues");

        QTest::newRow("the primary network without a station key sends host, port and protocol only")
            << StationConfig{} << QStringList{kPrimaryValue};
        StationConfig keyed;
        keyed.vireon.uuid = QStringLiteral("0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0");
        QTest::newRow("the station key is sent as the primary network's uuid")
            << keyed << QStringList{kPrimaryValue + ",uuid=0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0"};
        StationConfig host;
        host.vireon.host = QStringLiteral("ingest.test");
        QTest::newRow("a host override replaces only the host")
            << host << QStringList{"ingest.test,30004,beast_reduce_plus_out"};
        StationConfig port;
        port.vireon.port = 31090;
        QTest::newRow("a port override replaces only the port")
            << port << QStringList{"feed.vireon.network,31090,beast_reduce_plus_out"};
        StationConfig protocol;
        protocol.vireon.protocolName = QStringLiteral("beast_out");
        QTest::newRow("a protocol override replaces only the protocol")
            << protocol << QStringList{"feed.vireon.network,30004,beast_out"};

        StationConfig extras;
        extras.extraConnectors = {extra("b", "b.test"), extra("off", "not a host", false, 0, "nonsense"),
                                  extra("a", "a.test", true, 1, "beast_reduce_plus_out")};
        extras.extraConnectors[0].uuid = QStringLiteral("KEY-1");
        QTest::newRow("enabled extra connectors follow the primary in file order, disabled ones left out")
            << extras
            << QStringList{kPrimaryValue, "b.test,30004,beast_out,uuid=KEY-1",
                           "a.test,1,beast_reduce_plus_out"};
    }

    void connectorsBecomeNetConnectorArguments()
    {
        QFETCH(StationConfig, config);
        QFETCH(QStringList, connectorValues);
        QCOMPARE(outcome(ReadsbCommand::arguments(config, kRemote, kJsonDirectory)),
                 expectedArguments(connectorValues));
    }

    void gainIsAutoOrOneStrictNumber_data()
    {
        QTest::addColumn<QString>("gain");
        QTest::addColumn<bool>("valid");
        const QStringList valid{"auto", "43.9", "0", "-3", "+4.5", "1e5", "2.5E-1", ".5", "5.", "1e999"};
        for (const QString& gain : valid)
            QTest::addRow("gain \"%s\" passes unchanged", visible(gain).constData()) << gain << true;
        const QStringList invalid{"Auto", "AUTO", "",      " 40",   "40 ", "43.9\n", "49,6",
                                  "40dB", "inf",  "nan",   "0x1A",  "1e",  "e5",     ".",
                                  "+",    "--3",  "4.5.1", "1e2.5", "٤٣"};
        for (const QString& gain : invalid)
            QTest::addRow("gain \"%s\" is refused", visible(gain).constData()) << gain << false;
    }

    void gainIsAutoOrOneStrictNumber()
    {
        QFETCH(QString, gain);
        QFETCH(bool, valid);
        StationConfig config = withoutPrimary();
        config.station.gain = gain;
        const QStringList expected =
            valid ? expectedArguments({}, gain)
                  : QStringList{"Gain “" + gain + "” is invalid — use “auto” or a dB number like 43.9."};
        QCOMPARE(outcome(ReadsbCommand::arguments(config, kRemote, kJsonDirectory)), expected);
        QCOMPARE(ReadsbCommand::isValidGain(gain), valid);
    }

    void firstProblemIsReported_data()
    {
        QTest::addColumn<StationConfig>("config");
        QTest::addColumn<QString>("message");

        StationConfig all;
        all.station.gain = QStringLiteral("loud");
        all.localOutputs.beastPort = 0;
        all.vireon.host = QStringLiteral("bad_host");
        QTest::newRow("the gain comes before the beast port and connectors")
            << all << "Gain “loud” is invalid — use “auto” or a dB number like 43.9.";
        all.station.gain = QStringLiteral("49.6");
        QTest::newRow("the beast port comes before connectors")
            << all << "localOutputs.beastPort 0 is out of range 1–65535.";
        all.localOutputs.beastPort = 65535;
        all.extraConnectors = {extra("x", "")};
        QTest::newRow("the primary network comes before extra connectors")
            << all << "Connector “Vireon”: invalid host “bad_host” (letters, digits, dots and dashes only).";

        StationConfig beast;
        beast.localOutputs.beastPort = 65536;
        QTest::newRow("beast port 65536 is out of range")
            << beast << "localOutputs.beastPort 65536 is out of range 1–65535.";

        StationConfig key;
        key.vireon.uuid = QString(65, QLatin1Char('a'));
        QTest::newRow("a 65-character station key names Vireon")
            << key << "Connector “Vireon”: UUID may only contain letters, digits and dashes.";

        StationConfig extras = withoutPrimary();
        extras.extraConnectors = {extra("first", "ok.test"), extra("second", "", true),
                                  extra("third", "ok.test", true, 30004, "BEAST_OUT")};
        QTest::newRow("an unlabelled connector is named by its id")
            << extras << "Connector “second”: host is empty.";
        extras.extraConnectors.removeAt(1);
        extras.extraConnectors[1].label = QStringLiteral("Third Net");
        QTest::newRow("a protocol outside the allowed set is refused")
            << extras
            << "Connector “Third Net”: protocol “BEAST_OUT” is not supported (use beast_reduce_plus_out "
               "or beast_out).";
    }

    void firstProblemIsReported()
    {
        QFETCH(StationConfig, config);
        QFETCH(QString, message);
        QCOMPARE(outcome(ReadsbCommand::arguments(config, kRemote, kJsonDirectory)), QStringList{message});
    }

    void connectorValueOrItsError_data()
    {
        QTest::addColumn<Connector>("connector");
        QTest::addColumn<QString>("expected");

        QTest::newRow("a plain host") << connector("feed.test") << "feed.test,30004,beast_out";
        QTest::newRow("a one-letter host on port 1") << connector("a", 1) << "a,1,beast_out";
        QTest::newRow("an IPv4 address on port 65535")
            << connector("192.168.1.2", 65535) << "192.168.1.2,65535,beast_out";
        QTest::newRow("a host with inner hyphens and doubled dots")
            << connector("x-1..y") << "x-1..y,30004,beast_out";
        QTest::newRow("a 64-character uuid") << connector("h", 5, "beast_reduce_plus_out", QString(64, 'F'))
                                             << "h,5,beast_reduce_plus_out,uuid=" + QString(64, 'F');
        QTest::newRow("an empty host is empty, not invalid")
            << connector("", 0) << "Connector “My Net”: host is empty.";
        for (const char* host : {"-lead", "trail-", ".lead", "trail.", "under_score", "with blank",
                                 "host:30004", "::1", "host\n", "hôst"})
            QTest::addRow("host \"%s\" is refused", visible(host).constData())
                << connector(host, 0) << invalidHost(host);
        for (qint64 port : {0, 65536, -1})
            QTest::addRow("port %lld is refused", port)
                << connector("h", port, "nope")
                << QStringLiteral("Connector “My Net”: port %1 is out of range 1–65535.").arg(port);
        QTest::newRow("an unknown protocol is refused before a bad uuid")
            << connector("h", 1, "beast", QString("bad uuid"))
            << "Connector “My Net”: protocol “beast” is not supported (use beast_reduce_plus_out or "
               "beast_out).";
        for (const QString& uuid : {QString(), QString(65, 'a'), QString("a_b"), QString("a b"),
                                    QString("{abc}"), QString("abc\n")})
            QTest::addRow("uuid \"%s\" is refused", visible(uuid).constData())
                << connector("h", 1, "beast_out", uuid) << kBadUUID;
    }

    void connectorValueOrItsError()
    {
        QFETCH(Connector, connector);
        QFETCH(QString, expected);
        const std::variant<QString, ValidationError> value = connector.argumentValue();
        const QString actual = std::holds_alternative<QString>(value)
                                   ? std::get<QString>(value)
                                   : std::get<ValidationError>(value).errorDescription();
        QCOMPARE(actual, expected);
    }

    void connectorsCarryTheirIdentity()
    {
        StationConfig config;
        config.vireon.uuid = QStringLiteral("key");
        config.vireon.port = 1;
        config.extraConnectors = {extra("adsb-lol", "feed.adsb.lol"), extra("off", "x", false)};
        config.extraConnectors[0].label = QStringLiteral("adsb.lol");
        config.extraConnectors.append(extra("custom-h-9", "h", true, 9));

        const QList<Connector> expected{
            {"vireon", "Vireon", "feed.vireon.network", 1, "beast_reduce_plus_out", QStringLiteral("key"),
             true},
            {"adsb-lol", "adsb.lol", "feed.adsb.lol", 30004, "beast_out", std::nullopt, false},
            {"custom-h-9", "custom-h-9", "h", 9, "beast_out", std::nullopt, false},
        };
        QVERIFY(ReadsbCommand::connectors(config, kRemote) == expected);
        QVERIFY(ReadsbCommand::connectors(withoutPrimary(), kRemote).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReadsbCommand)
#include "TestReadsbCommand.moc"
