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
Q_DECLARE_METATYPE(std::optional<QPoint>)
Q_DECLARE_METATYPE(QList<vireon::ScreenArea>)
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
const QRect fullHd(0, 0, 1920, 1080);
const ScreenArea topPanelScreen{fullHd, QRect(0, 28, 1920, 1052)};
const ScreenArea bottomPanelScreen{fullHd, QRect(0, 0, 1920, 1052)};

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
        QTest::addColumn<std::optional<QPoint>>("cursor");
        QTest::addColumn<QList<ScreenArea>>("screens");
        QTest::addColumn<QPoint>("expected");
        const QList<ScreenArea> one{topPanelScreen};
        const std::optional<QRect> noIcon;
        const std::optional<QPoint> noCursor;

        // X11 with an XEmbed tray, which says where the icon is.
        QTest::newRow("under an icon in the middle of a top panel")
            << std::optional(QRect(900, 2, 24, 24)) << noCursor << one << QPoint(771, 30);
        QTest::newRow("icon in the top-right corner: pulled in from the edge")
            << std::optional(QRect(1890, 2, 24, 24)) << noCursor << one << QPoint(1640, 30);
        QTest::newRow("the icon counts, not where the pointer has gone since")
            << std::optional(QRect(1890, 2, 24, 24)) << std::optional(QPoint(10, 900)) << one
            << QPoint(1640, 30);
        QTest::newRow("icon in a bottom panel: above it")
            << std::optional(QRect(1800, 1056, 24, 24)) << noCursor << QList{bottomPanelScreen}
            << QPoint(1640, 752);
        QTest::newRow("icon in a left panel: beside it")
            << std::optional(QRect(4, 500, 24, 24)) << noCursor
            << QList{ScreenArea{fullHd, QRect(32, 0, 1888, 1080)}} << QPoint(32, 500);

        // StatusNotifierItem hosts on X11: no geometry, but the pointer is where the click was.
        QTest::newRow("no geometry: at the pointer")
            << noIcon << std::optional(QPoint(600, 10)) << one << QPoint(460, 28);
        QTest::newRow("empty geometry counts as none")
            << std::optional(QRect(0, 0, 0, 0)) << std::optional(QPoint(1919, 1079)) << one
            << QPoint(1640, 775);
        QTest::newRow("pointer in a bottom-right panel: above it")
            << noIcon << std::optional(QPoint(1900, 1070)) << QList{bottomPanelScreen} << QPoint(1640, 752);

        // Wayland: neither the icon's place nor the pointer's.
        QTest::newRow("nothing known: top-right of the free area")
            << noIcon << noCursor << one << QPoint(1640, 28);
        QTest::newRow("nothing known, panel at the bottom: top-right of the screen")
            << noIcon << noCursor << QList{bottomPanelScreen} << QPoint(1640, 0);
        QTest::newRow("a pointer on no screen is no better than none")
            << noIcon << std::optional(QPoint(-500, 4000)) << one << QPoint(1640, 28);

        // Several screens, the primary listed first.
        const QList<ScreenArea> twoScreens{
            topPanelScreen, ScreenArea{QRect(1920, 0, 1280, 1024), QRect(1920, 28, 1280, 996)}};
        QTest::newRow("pointer on the second screen: that screen's area")
            << noIcon << std::optional(QPoint(2000, 40)) << twoScreens << QPoint(1920, 45);
        QTest::newRow("icon in the second screen's top panel")
            << std::optional(QRect(3150, 2, 24, 24)) << noCursor << twoScreens << QPoint(2920, 30);
        QTest::newRow("nothing known: the primary screen, even when it is on the right")
            << noIcon << noCursor << QList{twoScreens.at(1), twoScreens.at(0)} << QPoint(2920, 28);

        // Screens smaller than the panel: its top-left, with the status, stays in view.
        const QList<ScreenArea> tiny{ScreenArea{QRect(0, 0, 200, 200), QRect(0, 0, 200, 200)}};
        QTest::newRow("small screen, pointer known")
            << noIcon << std::optional(QPoint(100, 100)) << tiny << QPoint(0, 0);
        QTest::newRow("small screen, nothing known") << noIcon << noCursor << tiny << QPoint(0, 0);
        QTest::newRow("no screen at all") << noIcon << noCursor << QList<ScreenArea>() << QPoint(0, 0);
    }

    void panelStaysOnScreenNearItsIcon()
    {
        QFETCH(std::optional<QRect>, icon);
        QFETCH(std::optional<QPoint>, cursor);
        QFETCH(QList<ScreenArea>, screens);
        QTEST(panelPosition(QSize(280, 300), icon, cursor, screens), "expected");
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
