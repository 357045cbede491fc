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

class TestReadsbCommand : public QObject {
    Q_OBJECT
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
        QFETCH(QStringList, expected);
        QCOMPARE(argumentsOf(config), expected);
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
        QFETCH(bool, valid);
        QCOMPARE(ReadsbCommand::isValidGain(gain), valid);
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
};

QTEST_GUILESS_MAIN(TestReadsbCommand)
#include "TestReadsbCommand.moc"
