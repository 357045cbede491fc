#include "app/StatusPresentation.h"

#include <QtTest>

using namespace vireon;
using Icon = StatusIcon::State;
using Inputs = StatusPresentation::Inputs;

Q_DECLARE_METATYPE(vireon::StatusPresentation::Inputs)

namespace {

const QDateTime fixedNow = QDateTime(QDate(2025, 3, 1), QTime(17, 4, 5), Qt::UTC);

Inputs inState(SupervisorState state, bool feedingDesired = true, std::optional<QString> configError = {})
{
    return {configError, std::move(state), false, {}, true, feedingDesired, fixedNow};
}

// Running for ten minutes, the primary network's connection up or not, with an aircraft file of the
// given age when it has aircraft.
Inputs running(bool up, qint64 aircraft = 0, double rate = 0, qint64 ageMs = 0)
{
    Inputs in = inState(supervisor_state::Running{fixedNow.addSecs(-600)});
    in.vireonConnectorUp = up;
    if (aircraft > 0)
        in.snapshot = StatsSnapshot{aircraft, rate, fixedNow.addMSecs(-ageMs), {}};
    return in;
}

} // namespace

class TestStatusPresentation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linesAndIcons_data()
    {
        QTest::addColumn<Inputs>("inputs");
        QTest::addColumn<QString>("line");
        QTest::addColumn<Icon>("icon");

        using namespace supervisor_state;
        const QString gainError = QStringLiteral("Gain \u201c4,5\u201d is invalid");
        QTest::newRow("a config error wins over a healthy feed") << [&] {
            auto in = running(true, 3, 20, 1000);
            in.configError = gainError;
            return in;
        }() << QStringLiteral("Config error: ") + gainError << Icon::error;
        QTest::newRow("a config error wins over a stopped decoder")
            << inState(Stopped{}, true, gainError) << QStringLiteral("Config error: ") + gainError
            << Icon::error;
        QTest::newRow("fresh data with messages is feeding")
            << running(true, 3, 20, 1000) << QStringLiteral("Feeding \u00b7 3 aircraft \u00b7 20 msg/s")
            << Icon::feeding;
        QTest::newRow("a rate of 0.4 shows as 0 but is still live")
            << running(true, 3, 0.4, 1000) << QStringLiteral("Feeding \u00b7 3 aircraft \u00b7 0 msg/s")
            << Icon::feeding;
        QTest::newRow("a rate of 2.5 rounds half away from zero")
            << running(true, 1, 2.5, 1000) << QStringLiteral("Feeding \u00b7 1 aircraft \u00b7 3 msg/s")
            << Icon::feeding;
        QTest::newRow("data 59.9 s old is fresh")
            << running(true, 3, 20, 59'900) << QStringLiteral("Feeding \u00b7 3 aircraft \u00b7 20 msg/s")
            << Icon::feeding;
        QTest::newRow("data 60 s old is stale")
            << running(true, 3, 20, 60'000) << QStringLiteral("Connected \u00b7 waiting for aircraft\u2026")
            << Icon::warning;
        QTest::newRow("a time stamp ahead of the clock is fresh")
            << running(true, 2, 5, -30'000) << QStringLiteral("Feeding \u00b7 2 aircraft \u00b7 5 msg/s")
            << Icon::feeding;
        QTest::newRow("no messages flowing is not live")
            << running(true, 3, 0, 1000) << QStringLiteral("Connected \u00b7 waiting for aircraft\u2026")
            << Icon::warning;
        QTest::newRow("no aircraft file yet")
            << running(true) << QStringLiteral("Connected \u00b7 waiting for aircraft\u2026")
            << Icon::warning;
        QTest::newRow("fresh data without the connection is unreachable")
            << running(false, 3, 20, 1000) << QStringLiteral("Ingest unreachable \u2014 retrying\u2026")
            << Icon::warning;
        QTest::newRow("the primary network paused says so and stays orange") <<
            [] {
                auto in = running(false);
                in.vireonEnabled = false;
                return in;
            }() << QStringLiteral("Feeding third-party networks \u00b7 Vireon paused")
                                                                             << Icon::warning;
        QTest::newRow("second restart attempt")
            << inState(Backoff{fixedNow.addSecs(4), 2})
            << QStringLiteral("Decoder stopped \u2014 restarting (attempt 2)\u2026") << Icon::warning;
        QTest::newRow("launching") << inState(Launching{}) << QStringLiteral("Starting decoder\u2026")
                                   << Icon::warning;
        QTest::newRow("stopped") << inState(Stopped{}) << QStringLiteral("Not feeding") << Icon::idle;
        QTest::newRow("decoder missing") << inState(Failed{SupervisorFailure::binaryMissing})
                                         << QStringLiteral("Decoder (readsb) not found") << Icon::error;
        QTest::newRow("stick busy") << inState(Failed{SupervisorFailure::deviceBusy})
                                    << QStringLiteral("Device busy \u2014 quit SDR++/CubicSDR and retry")
                                    << Icon::error;
        QTest::newRow("no stick while feeding is wanted promises to resume")
            << inState(Failed{SupervisorFailure::noDevice}, true)
            << QStringLiteral("No RTL-SDR device \u2014 plug it in, feeding resumes automatically")
            << Icon::error;
        QTest::newRow("no stick after the user stopped promises nothing")
            << inState(Failed{SupervisorFailure::noDevice}, false)
            << QStringLiteral("No RTL-SDR device found") << Icon::error;
        QTest::newRow("crash loop") << inState(Failed{SupervisorFailure::crashLoop})
                                    << QStringLiteral("Decoder keeps crashing") << Icon::error;
    }

    void linesAndIcons()
    {
        QFETCH(Inputs, inputs);
        QFETCH(QString, line);
        QFETCH(Icon, icon);
        QCOMPARE(StatusPresentation::statusLine(inputs), line);
        QCOMPARE(StatusPresentation::iconState(inputs), icon);
    }
};

QTEST_GUILESS_MAIN(TestStatusPresentation)
#include "TestStatusPresentation.moc"
