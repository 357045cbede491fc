// What the panel, and the tray menu that mirrors it, show for a reading of the state; where the panel
// opens and what a click on the icon does to it. What the launch does is checked whole by the shell's
// suite, which launches for each decision.
#include "presentation/panel/PanelModel.h"
#include "presentation/panel/PanelPlacement.h"
#include "presentation/tray/TrayModel.h"

#include <QtTest>

using namespace vireon;
using Button = PanelModel::Button;
using Failure = SupervisorFailure;

Q_DECLARE_METATYPE(vireon::SupervisorState)
Q_DECLARE_METATYPE(std::optional<vireon::StickProblem>)
Q_DECLARE_METATYPE(QList<vireon::PanelModel::Button>)
Q_DECLARE_METATYPE(std::optional<QRect>)
Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

SupervisorState failed(Failure failure)
{
    return supervisor_state::Failed{failure};
}

const Button retry{PanelAction::retry, QStringLiteral("Retry")};
const Button retryNow{PanelAction::retry, QStringLiteral("Retry Now")};
const Button copy{PanelAction::copyDiagnostics, QStringLiteral("Copy Diagnostics")};

// A 1920 × 1080 screen with a 28-pixel panel at the top.
const QRect topPanelScreen(0, 28, 1920, 1052);

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
        const PanelModel model = PanelModel::make({StatusIcon::State::error,
                                                   QStringLiteral("line"),
                                                   supervisor,
                                                   feedingActive,
                                                   std::nullopt,
                                                   stickProblem,
                                                   awaitingStick,
                                                   {},
                                                   {},
                                                   std::nullopt});
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

    void whatTheStationHearsReadsInOneLine_data()
    {
        QTest::addColumn<ReceiverFigures>("figures");
        QTest::addColumn<std::optional<QString>>("line");
        QTest::addColumn<QStringList>("hints");
        const QString strong = QStringLiteral("Many very strong signals: the gain may be too high.");
        const QString lost =
            QStringLiteral("The USB connection is losing samples: try another port or a shorter cable.");
        ReceiverFigures roof;
        roof.signalDbfs = -14.24;
        roof.noiseDbfs = -32.5;
        roof.maxDistanceMetres = 214'499;
        roof.messagesValid = 1000;
        roof.strongSignals = 50;
        roof.samplesLost = 0;
        QTest::newRow("a healthy roof") << roof
                                        << std::optional<QString>("Signal \u221214.2 dBFS \u00b7 noise "
                                                                  "\u221232.5 \u00b7 range 214 km")
                                        << QStringList();
        ReceiverFigures loud = roof;
        loud.strongSignals = 51;
        loud.samplesLost = 1;
        QTest::newRow("more than 5 % strong, and samples lost")
            << loud << HearingModel::make(roof).figuresLine << QStringList{strong, lost};
        // Without a stick the decoder writes no local block; a file of no minute yet has no range.
        QTest::newRow("nothing known") << ReceiverFigures{} << std::optional<QString>() << QStringList();
        ReceiverFigures noiseOnly;
        noiseOnly.noiseDbfs = -3;
        noiseOnly.maxDistanceMetres = 0;
        noiseOnly.strongSignals = 9;
        noiseOnly.messagesValid = 0;
        QTest::newRow("noise alone carries the unit; no messages, no share")
            << noiseOnly << std::optional<QString>("Noise \u22123.0 dBFS") << QStringList();
    }
    void whatTheStationHearsReadsInOneLine()
    {
        QFETCH(ReceiverFigures, figures);
        PanelModel::Inputs in;
        in.receiver = figures;
        in.rateHistory = {1.0, 2.0};
        in.position = PositionCheck::Verdict{48.1, 11.6, PositionCheck::Verdict::Slip::none};
        QCOMPARE(PanelModel::make(in).hearing, HearingModel{}); // nothing while not feeding
        QVERIFY(PanelModel::make(in).rateHistory.isEmpty() && !PanelModel::make(in).positionWarning);
        in.feedingActive = true;
        const PanelModel model = PanelModel::make(in);
        QTEST(model.hearing.figuresLine, "line");
        QTEST(model.hearing.hints, "hints");
        QCOMPARE(model.rateHistory, in.rateHistory);
        QVERIFY(model.positionWarning);
        in.rateHistory = {1.0}; // one point is not yet a line
        QVERIFY(PanelModel::make(in).rateHistory.isEmpty());
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
                              false,
                              {},
                              {},
                              std::nullopt};
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

    void panelStaysOnScreenNearItsIcon_data()
    {
        QTest::addColumn<std::optional<QRect>>("icon");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");

        QTest::newRow("under an icon in the middle of a top panel")
            << std::optional(QRect(900, 2, 24, 24)) << QPoint() << topPanelScreen << QPoint(771, 30);
        QTest::newRow("icon in the top-right corner: pulled in from the edge")
            << std::optional(QRect(1890, 2, 24, 24)) << QPoint() << topPanelScreen << QPoint(1640, 30);
        QTest::newRow("icon in a bottom panel: above it")
            << std::optional(QRect(1800, 1056, 24, 24)) << QPoint() << QRect(0, 0, 1920, 1052)
            << QPoint(1640, 752);
        QTest::newRow("icon in a left panel: beside it") << std::optional(QRect(4, 500, 24, 24)) << QPoint()
                                                         << QRect(32, 0, 1888, 1080) << QPoint(32, 500);
        QTest::newRow("no geometry (StatusNotifierItem): at the pointer")
            << std::optional<QRect>() << QPoint(600, 10) << topPanelScreen << QPoint(460, 28);
        QTest::newRow("empty geometry counts as none")
            << std::optional(QRect(0, 0, 0, 0)) << QPoint(1919, 1079) << topPanelScreen << QPoint(1640, 775);
        QTest::newRow("second screen to the right")
            << std::optional<QRect>() << QPoint(2000, 40) << QRect(1920, 0, 1280, 1024) << QPoint(1920, 45);
        QTest::newRow("screen smaller than the panel: top-left shows")
            << std::optional<QRect>() << QPoint(100, 100) << QRect(0, 0, 200, 200) << QPoint(0, 0);
    }

    void panelStaysOnScreenNearItsIcon()
    {
        QFETCH(std::optional<QRect>, icon);
        QFETCH(QPoint, cursor);
        QFETCH(QRect, available);
        QTEST(panelPosition(QSize(280, 300), icon, cursor, available), "expected");
    }

    void trayClick_data()
    {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<std::optional<qint64>>("sinceFocusLoss");
        QTest::addColumn<TrayClickOutcome>("outcome");
        QTest::newRow("closed, never opened")
            << false << std::optional<qint64>() << TrayClickOutcome::openPanel;
        QTest::newRow("open: the click closes it")
            << true << std::optional<qint64>(5) << TrayClickOutcome::closePanel;
        QTest::newRow("this very click took the focus and closed it")
            << false << std::optional<qint64>(40) << TrayClickOutcome::ignore;
        QTest::newRow("closed by focus loss a while ago")
            << false << std::optional<qint64>(focusLossClickWindowMs) << TrayClickOutcome::openPanel;
    }

    void trayClick()
    {
        QFETCH(bool, visible);
        QFETCH(std::optional<qint64>, sinceFocusLoss);
        QTEST(trayClickOutcome(visible, sinceFocusLoss), "outcome");
    }
};

QTEST_GUILESS_MAIN(TestPanelModel)
#include "TestPanelModel.moc"
