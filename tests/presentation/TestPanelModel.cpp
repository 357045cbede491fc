// What the panel, and the tray menu that mirrors it, show for a reading of the state; what the launch
// does.
#include "presentation/LaunchDecision.h"
#include "presentation/panel/PanelModel.h"
#include "presentation/tray/TrayModel.h"

#include <QtTest>

using namespace vireon;
using Button = PanelModel::Button;
using Failure = SupervisorFailure;

Q_DECLARE_METATYPE(vireon::SupervisorState)
Q_DECLARE_METATYPE(std::optional<vireon::StickProblem>)
Q_DECLARE_METATYPE(QList<vireon::PanelModel::Button>)

namespace {

SupervisorState failed(Failure failure)
{
    return supervisor_state::Failed{failure};
}

const Button retry{PanelAction::retry, QStringLiteral("Retry")};
const Button retryNow{PanelAction::retry, QStringLiteral("Retry Now")};
const Button copy{PanelAction::copyDiagnostics, QStringLiteral("Copy Diagnostics")};

} // namespace

class TestPanelModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsFollowTheSupervisor_data()
    {
        QTest::addColumn<SupervisorState>("supervisor");
        QTest::addColumn<bool>("feedingActive");
        QTest::addColumn<bool>("awaitingStick");
        QTest::addColumn<std::optional<StickProblem>>("stickProblem");
        QTest::addColumn<bool>("hint");
        QTest::addColumn<QList<Button>>("buttons");
        QTest::addColumn<QString>("startStop");
        const auto none = std::optional<StickProblem>();

        QTest::newRow("stopped: no hint, start")
            << SupervisorState(supervisor_state::Stopped{}) << false << false << none << false
            << QList<Button>{} << "Start Feeding";
        QTest::newRow("waiting for a restart still counts as feeding")
            << SupervisorState(supervisor_state::Backoff{QDateTime::currentDateTimeUtc(), 2}) << true << false
            << none << false << QList<Button>{} << "Stop Feeding";
        QTest::newRow("no stick after a stop: retry now, or start")
            << failed(Failure::noDevice) << false << false << none << true << QList{retryNow}
            << "Start Feeding";
        // The feed resumes by itself when the stick is back: stopping the wait is what there is to do.
        QTest::newRow("no stick while feeding is wanted: retry now, or stop")
            << failed(Failure::noDevice) << false << true << none << true << QList{retryNow}
            << "Stop Feeding";
        QTest::newRow("stick busy: retry") << failed(Failure::deviceBusy) << false << false << none << true
                                           << QList{retry} << "Start Feeding";
        QTest::newRow("crash loop: copy diagnostics first, then retry")
            << failed(Failure::crashLoop) << false << false << none << true << QList{copy, retry}
            << "Start Feeding";
        QTest::newRow("decoder missing: nothing to retry")
            << failed(Failure::binaryMissing) << false << false << none << true << QList<Button>{}
            << "Start Feeding";
        QTest::newRow("stick refused to this account")
            << failed(Failure::deviceBusy) << false << false << std::optional(StickProblem::permissionDenied)
            << true << QList{retry} << "Start Feeding";
        QTest::newRow("a crash loop keeps its own hint whatever the stick said")
            << failed(Failure::crashLoop) << false << false << std::optional(StickProblem::kernelDriverHolds)
            << true << QList{copy, retry} << "Start Feeding";
    }
    void rowsFollowTheSupervisor()
    {
        QFETCH(SupervisorState, supervisor);
        QFETCH(bool, feedingActive);
        QFETCH(bool, awaitingStick);
        QFETCH(std::optional<StickProblem>, stickProblem);
        const PanelModel model =
            PanelModel::make({StatusIcon::State::error, QStringLiteral("line"), supervisor, feedingActive,
                              std::nullopt, stickProblem, awaitingStick});
        QTEST(model.hintText.has_value(), "hint");
        QTEST(model.hintButtons, "buttons");
        QTEST(model.startStopLabel, "startStop");
        // A named cause of a stick failure replaces the generic guess, and only for a stick failure.
        const auto* failure = std::get_if<supervisor_state::Failed>(&supervisor);
        if (stickProblem && failure && failure->failure != Failure::crashLoop)
            QCOMPARE(model.hintText, StickProblems::hint(*stickProblem));
        else if (stickProblem)
            QVERIFY(model.hintText != StickProblems::hint(*stickProblem));
        QCOMPARE(startStopOutcome(feedingActive || awaitingStick, true) == StartStopOutcome::stopFeeding,
                 model.startStopLabel == "Stop Feeding");
    }

    void linksAppearAsPublished()
    {
        const QUrl page(QStringLiteral("https://vireon.network/feeder/1"));
        PanelModel::Inputs in;
        QVERIFY(!PanelModel::make(in).liveMap && !PanelModel::make(in).feederPage);
        in.links = FeederConfig::Links{std::nullopt, page, std::nullopt};
        QCOMPARE(PanelModel::make(in).feederPage, page);
        QVERIFY(!PanelModel::make(in).liveMap);
        QCOMPARE(startStopOutcome(false, false), StartStopOutcome::showOnboarding);
    }

    // Some tray hosts turn every click into the menu, so it carries everything the panel offers.
    void theTrayMenuMirrorsThePanel()
    {
        PanelModel::Inputs in{StatusIcon::State::error,
                              QStringLiteral("R&D: no stick"),
                              failed(Failure::crashLoop),
                              false,
                              FeederConfig::Links{QUrl("https://m"), std::nullopt, std::nullopt},
                              {},
                              false};
        const TrayModel tray = TrayModel::make(PanelModel::make(in));
        QStringList items;
        for (const TrayModel::Entry& entry : tray.menu)
            items.append(entry.separator ? "-" : entry.text + (entry.action ? "" : " (disabled)"));
        QCOMPARE(items,
                 QStringList({"R&D: no stick (disabled)", "Copy Diagnostics", "Retry", "-", "Start Feeding",
                              "Open Vireon Live Map", "-", "Settings\u2026", "Quit Vireon Feeder"}));
        QCOMPARE(tray.toolTip, in.statusLine);
        QCOMPARE(tray.iconState, StatusIcon::State::error);
    }

    void launchDecision_data()
    {
        QTest::addColumn<bool>("onboarded");
        QTest::addColumn<bool>("feedingDesired");
        QTest::addColumn<int>("decision");
        QTest::newRow("first launch, feeding left on by an earlier install")
            << false << true << int(LaunchDecision::showOnboarding);
        QTest::newRow("onboarded and feeding wanted") << true << true << int(LaunchDecision::startFeeding);
        QTest::newRow("onboarded, feeding not wanted") << true << false << int(LaunchDecision::stayIdle);
    }
    void launchDecision()
    {
        QFETCH(bool, onboarded);
        QFETCH(bool, feedingDesired);
        QTEST(int(vireon::launchDecision(onboarded, feedingDesired)), "decision");
    }
};

QTEST_GUILESS_MAIN(TestPanelModel)
#include "TestPanelModel.moc"
