#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/Diagnostics.h"
#include "decoder/ReadsbSupervisor.h"
#include "support/StationHarness.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::StationHarness;
using Icon = StatusIcon::State;

namespace {

constexpr int waitMs = 20'000;

// Everything the status item showed, in order, without repeats: what a user watching the tray saw.
class StatusRecorder : public QObject {
public:
    explicit StatusRecorder(AppState& state) : m_state(state)
    {
        // The supervisor's own announcement catches the brief launching state; the state's
        // re-announcement catches everything else.
        connect(&state.supervisor(), &ReadsbSupervisor::stateChanged, this, &StatusRecorder::record);
        connect(&state, &AppState::changed, this, &StatusRecorder::record);
        record();
    }

    void record()
    {
        const QPair<QString, Icon> now{m_state.statusLine(), m_state.iconState()};
        if (seen.isEmpty() || seen.last() != now)
            seen.append(now);
    }

    bool showed(const QString& line, Icon icon) const { return seen.contains(qMakePair(line, icon)); }
    QString current() const { return m_state.statusLine(); }

    QList<QPair<QString, Icon>> seen;

private:
    AppState& m_state;
};

} // namespace

class TestEngineEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aStationsDayFromStartToStop()
    {
        StationHarness station;
        const QString key = QLatin1String(StationHarness::stationKey);
        const QString aircraftTrigger = station.path(QStringLiteral("aircraft-in-view"));
        station.setScenario({QStringLiteral("connect"), QStringLiteral("wait-for-file ") + aircraftTrigger,
                             QStringLiteral("write-json aircraft=3 messages=1200 window=60"),
                             QStringLiteral("run")});
        station.ingest.close(); // the network's ingest is down when the day begins

        const int requests = station.http.requestCount();
        AppState& state = station.launchApplication();
        QTRY_VERIFY_WITH_TIMEOUT(station.http.requestCount() > requests, waitMs);
        QTRY_COMPARE_WITH_TIMEOUT(state.config().ingest.port, qint64(station.ingest.port()), waitMs);
        StatusRecorder status(state);
        QCOMPARE(status.current(), QStringLiteral("Not feeding"));
        QCOMPARE(state.iconState(), Icon::idle);

        // Start: the decoder comes up, but the ingest refuses it.
        state.startFeeding();
        QVERIFY(status.showed(QStringLiteral("Starting decoder\u2026"), Icon::warning));
        QTRY_VERIFY_WITH_TIMEOUT(state.supervisor().lastConnectorError().has_value(), waitMs);
        QCOMPARE(status.current(), QStringLiteral("Ingest unreachable \u2014 retrying\u2026"));
        QCOMPARE(state.iconState(), Icon::warning);

        // The ingest comes back: connected, but no aircraft yet.
        QVERIFY(station.ingest.reopen());
        QTRY_COMPARE_WITH_TIMEOUT(status.current(),
                                  QStringLiteral("Connected \u00b7 waiting for aircraft\u2026"), waitMs);
        QCOMPARE(state.iconState(), Icon::warning);
        QTRY_VERIFY_WITH_TIMEOUT(station.ingest.hasReceivedUuid(key), waitMs);

        // Aircraft in view: the next stats poll turns the station green.
        QFile trigger(aircraftTrigger);
        QVERIFY(trigger.open(QIODevice::WriteOnly));
        trigger.close();
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(station.path(QStringLiteral("xdg/VireonFeeder/readsb-json/stats.json"))), waitMs);
        station.clock.advance(5s);
        QTRY_COMPARE_WITH_TIMEOUT(status.current(),
                                  QStringLiteral("Feeding \u00b7 3 aircraft \u00b7 20 msg/s"), waitMs);
        QCOMPARE(state.iconState(), Icon::feeding);

        // A support report taken now shows the key only shortened, in every section.
        const QString report = Diagnostics::report(state);
        QVERIFY2(!report.contains(key), qPrintable(report));
        QVERIFY(report.contains(QStringLiteral("uuid=0123abcd\u2026")));
        QVERIFY(report.contains(QStringLiteral("invoked by:")));

        // Stop: grey once the decoder has gone.
        state.stopFeeding();
        QTRY_COMPARE_WITH_TIMEOUT(status.current(), QStringLiteral("Not feeding"), waitMs);
        QCOMPARE(state.iconState(), Icon::idle);
        QVERIFY(!station.settings->feedingDesired());
    }
};

QTEST_GUILESS_MAIN(TestEngineEndToEnd)
#include "TestEngineEndToEnd.moc"
