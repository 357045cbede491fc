#include "app/PanelContent.h"

#include <QtTest>

using namespace vireon;
using Button = PanelContent::Button;
using Failure = SupervisorFailure;

Q_DECLARE_METATYPE(vireon::SupervisorState)
Q_DECLARE_METATYPE(std::optional<vireon::StickProblem>)
Q_DECLARE_METATYPE(QList<vireon::PanelContent::Button>)

namespace {

SupervisorState failed(Failure failure)
{
    return supervisor_state::Failed{failure};
}

} // namespace

class TestPanelContent : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsFollowTheSupervisor_data()
    {
        QTest::addColumn<SupervisorState>("supervisor");
        QTest::addColumn<bool>("feedingActive");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QList<Button>>("buttons");
        QTest::addColumn<QString>("startStop");
        QTest::addColumn<std::optional<StickProblem>>("stickProblem");

        const Button retry{PanelAction::retry, QStringLiteral("Retry")};
        QTest::newRow("stopped: no hint, start")
            << SupervisorState(supervisor_state::Stopped{}) << false << QString() << QList<Button>{}
            << QStringLiteral("Start Feeding") << std::optional<StickProblem>();
        QTest::newRow("waiting for a restart still counts as feeding")
            << SupervisorState(supervisor_state::Backoff{QDateTime::currentDateTimeUtc(), 2}) << true
            << QString() << QList<Button>{} << QStringLiteral("Stop Feeding")
            << std::optional<StickProblem>();
        QTest::newRow("no stick: plug it in, retry now")
            << failed(Failure::noDevice) << false
            << QStringLiteral("Plug in your RTL-SDR stick \u2014 feeding resumes automatically.")
            << QList<Button>{{PanelAction::retry, QStringLiteral("Retry Now")}}
            << QStringLiteral("Start Feeding") << std::optional<StickProblem>();
        QTest::newRow("stick busy: quit the other program, retry")
            << failed(Failure::deviceBusy) << false
            << QStringLiteral(
                   "Another SDR app is holding the stick. Quit SDR++, CubicSDR or GQRX, then retry.")
            << QList<Button>{retry} << QStringLiteral("Start Feeding") << std::optional<StickProblem>();
        QTest::newRow("crash loop: copy diagnostics first, then retry")
            << failed(Failure::crashLoop) << false
            << QStringLiteral("The decoder crashed repeatedly. Copy diagnostics and report the problem.")
            << QList<Button>{{PanelAction::copyDiagnostics, QStringLiteral("Copy Diagnostics")}, retry}
            << QStringLiteral("Start Feeding") << std::optional<StickProblem>();
        QTest::newRow("decoder missing: nothing to retry")
            << failed(Failure::binaryMissing) << false
            << QStringLiteral(
                   "readsb was not found beside Vireon Feeder or on the PATH \u2014 reinstall Vireon Feeder.")
            << QList<Button>{} << QStringLiteral("Start Feeding") << std::optional<StickProblem>();
        // A named cause replaces the generic guess for a stick failure, and only for one.
        QTest::newRow("stick refused to this account: the cause and its fix, retry")
            << failed(Failure::deviceBusy) << false << StickProblems::hint(StickProblem::permissionDenied)
            << QList<Button>{retry} << QStringLiteral("Start Feeding")
            << std::optional(StickProblem::permissionDenied);
        QTest::newRow("stick lost while running: the cause, retry now")
            << failed(Failure::noDevice) << false << StickProblems::hint(StickProblem::lostWhileRunning)
            << QList<Button>{{PanelAction::retry, QStringLiteral("Retry Now")}}
            << QStringLiteral("Start Feeding") << std::optional(StickProblem::lostWhileRunning);
        QTest::newRow("a crash loop keeps its own hint whatever the stick said")
            << failed(Failure::crashLoop) << false
            << QStringLiteral("The decoder crashed repeatedly. Copy diagnostics and report the problem.")
            << QList<Button>{{PanelAction::copyDiagnostics, QStringLiteral("Copy Diagnostics")}, retry}
            << QStringLiteral("Start Feeding") << std::optional(StickProblem::kernelDriverHolds);
    }

    void rowsFollowTheSupervisor()
    {
        QFETCH(SupervisorState, supervisor);
        QFETCH(bool, feedingActive);
        QFETCH(QString, hint);
        QFETCH(QList<Button>, buttons);
        QFETCH(QString, startStop);
        QFETCH(std::optional<StickProblem>, stickProblem);

        const PanelContent content =
            PanelContent::make({StatusIcon::State::error, QStringLiteral("line"), supervisor, feedingActive,
                                std::nullopt, stickProblem});
        QCOMPARE(content.hintText.value_or(QString()), hint);
        QCOMPARE(content.hintText.has_value(), !hint.isEmpty());
        QCOMPARE(content.hintButtons, buttons);
        QCOMPARE(content.startStopLabel, startStop);
    }

    // The stick went while feeding: the feed resumes by itself when it is back, so the button stops
    // the wait instead of offering a start that reads as "nothing is going to happen".
    void waitingForTheStickOffersStop()
    {
        PanelContent::Inputs waiting{StatusIcon::State::error,
                                     QStringLiteral("line"),
                                     failed(Failure::noDevice),
                                     false,
                                     std::nullopt,
                                     std::nullopt};
        QCOMPARE(PanelContent::make(waiting).startStopLabel, QStringLiteral("Start Feeding"));
        waiting.awaitingStick = true;
        const PanelContent content = PanelContent::make(waiting);
        QCOMPARE(content.startStopLabel, QStringLiteral("Stop Feeding"));
        QCOMPARE(content.hintButtons, (QList<Button>{{PanelAction::retry, QStringLiteral("Retry Now")}}));
        QCOMPARE(startStopOutcome(true, true), StartStopOutcome::stopFeeding);
        QCOMPARE(startStopOutcome(false, false), StartStopOutcome::showOnboarding);
        QCOMPARE(startStopOutcome(false, true), StartStopOutcome::startFeeding);
    }
};

QTEST_GUILESS_MAIN(TestPanelContent)
#include "TestPanelContent.moc"
