// What a network row says about its MLAT, and what the settings say the station lacks for it.
#include "presentation/networks/MlatReadiness.h"
#include "presentation/networks/MlatRowModel.h"

#include <QtTest>
#include <functional>

using namespace vireon;
using namespace vireon::supervisor_state;
using Tone = ConnectorHealthLine::Tone;
using Edit = std::function<void(MlatRowModel::Inputs&)>;

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(vireon::StationConfig::Station)
Q_DECLARE_METATYPE(std::optional<bool>)

namespace {

const QDateTime now = QDateTime(QDate(2025, 3, 1), QTime(17, 4, 5), Qt::UTC);
const QString key = QStringLiteral("0123abcd-0000-4000-8000-000000000001");

// A network ready for MLAT whose client runs and has connected, with nothing from the server yet.
MlatRowModel::Inputs connected()
{
    MlatRowModel::Inputs in;
    in.network =
        MlatCommand::Network{"adsb-lol", "adsb.lol", {"feed.adsb.lol", 31090}, true, true, false, key};
    in.station.lat = 52.52345;
    in.station.lon = 13.40512;
    in.station.alt = 48;
    in.feedingActive = true;
    in.planned = true;
    MlatClientStatus client;
    client.state = Running{now.addSecs(-300)};
    client.link.phase = MlatLink::Phase::connected;
    in.client = client;
    in.now = now;
    return in;
}

Edit figures(qint64 peers, double good, double bad, qint64 ageSeconds = 10, qint64 timeout = 0)
{
    return [=](MlatRowModel::Inputs& in) {
        MlatStats stats;
        stats.written = now.addSecs(-ageSeconds);
        stats.peers = peers;
        stats.goodSyncPercent = good;
        stats.badSyncPercent = bad;
        stats.badSyncTimeout = timeout;
        in.client->stats = stats;
    };
}

Edit state(SupervisorState s)
{
    return [s](MlatRowModel::Inputs& in) { in.client->state = s; };
}

} // namespace

class TestMlatRowModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void line_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("text"); // empty: no line
        QTest::addColumn<int>("tone");

        const auto row = [](const char* name, Edit edit, const QString& text, Tone tone = Tone::connecting) {
            QTest::newRow(name) << edit << text << int(tone);
        };
        row("network switched off: no line", [](auto& in) { in.network.enabled = false; }, {});
        row("MLAT switched off: no line", [](auto& in) { in.network.mlat = false; }, {});
        row(
            "position at 0, 0", [](auto& in) { in.station.lat = in.station.lon = 0; },
            "MLAT: needs your antenna's position");
        row(
            "altitude not set, though the position is missing too, says the position first",
            [](auto& in) {
                in.station.alt.reset();
                in.station.lat = 0.01;
                in.station.lon = 0;
            },
            "MLAT: needs your antenna's position");
        row(
            "altitude not set", [](auto& in) { in.station.alt.reset(); },
            "MLAT: needs your antenna's altitude");
        row(
            "an altitude of 0 m is set", [](auto& in) { in.station.alt = 0; },
            "MLAT: connected, not yet synchronised");
        row(
            "no feeder UUID", [](auto& in) { in.network.uuid.reset(); },
            "MLAT: needs this network's feeder UUID");
        row(
            "not feeding", [](auto& in) { in.feedingActive = false; }, "MLAT: off", Tone::off);
        row(
            "switched on since the feed started", [](auto& in) { in.planned = false; },
            "MLAT: starts when the feed restarts", Tone::off);
        row(
            "planned, the decoder not yet running", [](auto& in) { in.client.reset(); },
            "MLAT: connecting\u2026");
        row("launching", state(Launching{}), "MLAT: connecting\u2026");
        row(
            "started, nothing said yet", [](auto& in) { in.client->link.phase = MlatLink::Phase::starting; },
            "MLAT: connecting\u2026");
        row(
            "handshaking", [](auto& in) { in.client->link.phase = MlatLink::Phase::connecting; },
            "MLAT: connecting\u2026");
        row(
            "handshake complete", [](auto&) {}, "MLAT: connected, not yet synchronised");
        row("good sync", figures(14, 80, 2), "MLAT: synchronised with 14 peers", Tone::connected);
        row("one peer", figures(1, 100, 0), "MLAT: synchronised with 1 peer", Tone::connected);
        row("good sync just over 10 %, bad at 5 %", figures(3, 11, 5), "MLAT: synchronised with 3 peers",
            Tone::connected);
        row("good sync at 10 % is not yet enough", figures(3, 10, 0),
            "MLAT: connected, not yet synchronised");
        row("bad sync between 5 and 15 % is neither", figures(3, 80, 10),
            "MLAT: connected, not yet synchronised");
        row("bad sync over 15 %: the likeliest cause", figures(3, 60, 16),
            "MLAT: poor sync \u2014 check your antenna's position and altitude", Tone::retrying);
        row(
            "bad sync with a coarse position blames the position",
            [](auto& in) {
                figures(3, 60, 40)(in);
                in.readiness.positionImprecise = true;
                in.readiness.samplesLost = true;
            },
            "MLAT: poor sync \u2014 your position needs at least 4 decimals", Tone::retrying);
        row(
            "bad sync with lost samples blames the stick",
            [](auto& in) {
                figures(3, 60, 40)(in);
                in.readiness.samplesLost = true;
                in.readiness.clockUnsynchronised = true;
            },
            "MLAT: poor sync \u2014 the stick is losing samples on USB", Tone::retrying);
        row("the server's bad-sync time-out is poor sync", figures(3, 90, 0, 10, 120),
            "MLAT: poor sync \u2014 check your antenna's position and altitude", Tone::retrying);
        row("figures a minute old still count", figures(14, 80, 2, 60), "MLAT: synchronised with 14 peers",
            Tone::connected);
        row("figures over a minute old mean the link is gone", figures(14, 80, 2, 61),
            "MLAT: connecting\u2026");
        row("no report yet this hour", figures(2, -1, -1), "MLAT: connected, not yet synchronised");
        row(
            "refused with the server's reasons",
            [](auto& in) {
                in.client->link = MlatLink{MlatLink::Phase::refused, {"Bad UUID.", "Register first."}};
            },
            "MLAT: refused \u2014 Bad UUID. Register first.", Tone::retrying);
        row(
            "a long reason is cut to one line",
            [](auto& in) {
                in.client->link =
                    MlatLink{MlatLink::Phase::refused,
                             {"Unknown UUID: register this feeder on the network's site first"}};
            },
            "MLAT: refused \u2014 Unknown UUID: register this feeder on the netwo\u2026", Tone::retrying);
        row(
            "refused without a reason",
            [](auto& in) {
                in.client->link = MlatLink{MlatLink::Phase::refused, {}};
            },
            "MLAT: refused \u2014 no reason given", Tone::retrying);
        row(
            "a refusal outweighs old figures",
            [](auto& in) {
                figures(14, 80, 2)(in);
                in.client->link = MlatLink{MlatLink::Phase::refused, {"Banned"}};
            },
            "MLAT: refused \u2014 Banned", Tone::retrying);
        row("waiting to restart", state(Backoff{now.addSecs(4), 2}),
            "MLAT: mlat-client stopped, restarting\u2026", Tone::retrying);
        row("given up", state(Failed{SupervisorFailure::crashLoop}),
            "MLAT: mlat-client keeps stopping \u2014 see the report", Tone::retrying);
        row("not installed", state(Failed{SupervisorFailure::binaryMissing}),
            "MLAT: mlat-client not found \u2014 reinstall Vireon Feeder", Tone::retrying);
    }
    void line()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, text);
        QFETCH(int, tone);
        MlatRowModel::Inputs in = connected();
        edit(in);
        const MlatRowModel model = MlatRowModel::make(in);
        QCOMPARE(model.line.has_value(), !text.isEmpty());
        if (!model.line)
            return;
        QCOMPARE(model.line->text, text);
        QCOMPARE(int(model.line->tone), tone);
    }

    void refusalNeverShowsAKeyInFull()
    {
        MlatRowModel::Inputs in = connected();
        in.client->link = MlatLink{MlatLink::Phase::refused, {"UUID " + key + " is not registered"}};
        const MlatRowModel model = MlatRowModel::make(in);
        QVERIFY(!model.line->text.contains(key));
        QVERIFY(!model.line->toolTip.contains(key));
        QVERIFY(model.line->text.contains("is not registered"));
    }

    void switches()
    {
        MlatRowModel::Inputs in = connected();
        in.network.mlat = false;
        in.network.privacy = true;
        const MlatRowModel model = MlatRowModel::make(in);
        QVERIFY(!model.on);
        QVERIFY(model.hidden);
    }

    void readiness_data()
    {
        QTest::addColumn<StationConfig::Station>("station");
        QTest::addColumn<std::optional<bool>>("clock");
        QTest::addColumn<qint64>("lostSamples");
        QTest::addColumn<qint64>("statsAge");
        QTest::addColumn<QStringList>("notes");

        StationConfig::Station ready;
        ready.lat = 52.5234;
        ready.lon = -13.4051;
        ready.alt = 48;
        const QString altitude =
            "MLAT needs your antenna's altitude: enter it under Station, in metres above "
            "sea level.";
        const QString position =
            "MLAT needs your antenna's position to about 10 m: enter at least 4 decimals.";
        const QString clock =
            "The system clock is not synchronised: turn on network time (NTP) in your system "
            "settings.";
        const QString usb = "The stick lost samples on USB in the last minute: plug it straight into the "
                            "computer, away from hubs and busy ports.";

        QTest::newRow("a ready station lacks nothing")
            << ready << std::optional(true) << 0LL << 5LL << QStringList();
        QTest::newRow("no answer about the clock says nothing")
            << ready << std::optional<bool>() << 0LL << 5LL << QStringList();
        StationConfig::Station coarse = ready;
        coarse.lat = 52.52;
        coarse.alt.reset();
        QTest::newRow("everything missing, most basic first")
            << coarse << std::optional(false) << 12LL << 5LL << QStringList{altitude, position, clock, usb};
        StationConfig::Station oneCoarse = ready;
        oneCoarse.lon = 13.405;
        QTest::newRow("one coordinate with three decimals is enough to say so")
            << oneCoarse << std::optional(true) << 0LL << 5LL << QStringList{position};
        StationConfig::Station unset = ready;
        unset.lat = unset.lon = 0;
        QTest::newRow("an unset position is not an imprecise one")
            << unset << std::optional(true) << 0LL << 5LL << QStringList();
        QTest::newRow("samples lost over a minute ago say nothing")
            << ready << std::optional(true) << 12LL << 61LL << QStringList();
    }
    void readiness()
    {
        QFETCH(StationConfig::Station, station);
        QFETCH(std::optional<bool>, clock);
        QFETCH(qint64, lostSamples);
        QFETCH(qint64, statsAge);
        QFETCH(QStringList, notes);
        StatsSnapshot stats;
        stats.updatedAt = now.addSecs(-statsAge);
        stats.receiver.samplesLost = lostSamples;
        QCOMPARE(MlatReadiness::of(station, clock, stats, now).notes(), notes);
    }

    void fourDecimals_data()
    {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<bool>("enough");
        QTest::newRow("two decimals") << 52.52 << false;
        QTest::newRow("three decimals") << 13.405 << false;
        QTest::newRow("four decimals") << 52.5234 << true;
        QTest::newRow("six decimals, negative") << -13.405123 << true;
        QTest::newRow("a whole degree") << 8.0 << false;
        QTest::newRow("just off the equator") << 0.0001 << true;
    }
    void fourDecimals()
    {
        QFETCH(double, degrees);
        QFETCH(bool, enough);
        QCOMPARE(MlatReadiness::hasFourDecimals(degrees), enough);
    }
};

QTEST_GUILESS_MAIN(TestMlatRowModel)
#include "TestMlatRowModel.moc"
