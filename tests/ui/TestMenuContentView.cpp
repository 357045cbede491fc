#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/Diagnostics.h"
#include "decoder/ReadsbSupervisor.h"
#include "presentation/panel/PanelPlacement.h"
#include "support/StationHarness.h"
#include "ui/common/StateColors.h"
#include "ui/common/StatusDot.h"
#include "ui/panel/MenuContentView.h"
#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelWindow.h"
#include "ui/tray/TrayIcon.h"

#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::StationHarness;

namespace {

constexpr int waitMs = 20'000;

// A station with its panel open, recording what the panel asked of the desktop.
struct OpenPanel {
    explicit OpenPanel(bool onboarded = true)
    {
        state = &station.launchApplication();
        station.settings->setHasCompletedOnboarding(onboarded);
        actions = std::make_unique<PanelActions>(*state, ShellServices{[this] { ++onboardingShown; },
                                                                       [this] { ++settingsShown; },
                                                                       {},
                                                                       [this](const QUrl& url) {
                                                                           opened.append(url);
                                                                           return browserWorks;
                                                                       }});
        window = std::make_unique<PanelWindow>(*state, *actions, PanelWindow::Mode::window);
        window->show();
    }
    // The panel as it drops down from a tray icon, in place of the no-tray window.
    void dropDown()
    {
        window = std::make_unique<PanelWindow>(*state, *actions, PanelWindow::Mode::dropDown);
        window->show();
    }
    void publishFeederPage(const QUrl& page)
    {
        station.http.respond(
            200, QStringLiteral(
                     R"({"ingest": {"host": "127.0.0.1", "port": %1, "protocol": "beast_reduce_plus_out"},
                                  "links": {"feederPage": "%2"}})")
                     .arg(station.ingest.port())
                     .arg(page.toString())
                     .toUtf8());
        state->startFeeding(); // a start refreshes the document
        QTRY_VERIFY_WITH_TIMEOUT(shows("feederPageButton"), waitMs);
    }

    template <class T = QPushButton>
    T* find(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    bool shows(const char* name) const { return find<QWidget>(name) && find<QWidget>(name)->isVisible(); }
    QString startStop() const { return find("startStopButton")->text(); }
    bool failed(SupervisorFailure failure) const
    {
        return state->supervisor().state() == SupervisorState(supervisor_state::Failed{failure});
    }

    StationHarness station;
    AppState* state = nullptr;
    std::unique_ptr<PanelActions> actions;
    std::unique_ptr<PanelWindow> window;
    int onboardingShown = 0;
    int settingsShown = 0;
    QList<QUrl> opened;
    bool browserWorks = true;
};

} // namespace

class TestMenuContentView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startBeforeOnboardingOpensOnboardingAndStartsNothing()
    {
        OpenPanel panel(false);
        QCOMPARE(panel.startStop(), QStringLiteral("Start Feeding"));
        QTest::mouseClick(panel.find("startStopButton"), Qt::LeftButton);
        QCOMPARE(panel.onboardingShown, 1);
        QVERIFY(!panel.station.settings->feedingDesired());
        QVERIFY(std::holds_alternative<supervisor_state::Stopped>(panel.state->supervisor().state()));
        QCOMPARE(panel.station.decoderLaunches(), 0);
    }

    void missingStickShowsItsHintAndRetryAfterRecoveryDoesNothing()
    {
        OpenPanel panel;
        panel.station.unplugStick();
        QTest::mouseClick(panel.find("startStopButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(panel.failed(SupervisorFailure::noDevice), waitMs);

        // The open panel follows the state without being reopened.
        QTRY_VERIFY(panel.shows("failureHint"));
        QCOMPARE(panel.find<StatusDot>("statusDot")->color(), stateColor(StatusIcon::State::error));
        QCOMPARE(panel.find<QLabel>("statusLine")->accessibleName(), panel.state->statusLine());
        QPushButton* retry = panel.find("retryButton");
        QTRY_COMPARE(panel.startStop(), QStringLiteral("Stop Feeding"));

        // The tray's menu offers the same, for hosts that turn every click into it.
        TrayIcon tray(*panel.state, *panel.actions);
        const QList<QAction*> items = tray.contextMenu()->actions();
        QCOMPARE(items.first()->text(), panel.state->statusLine());
        QVERIFY(!items.first()->isEnabled());
        QCOMPARE(items.at(1)->text(), retry->text());
        QCOMPARE(items.at(3)->text(), QStringLiteral("Stop Feeding"));

        // Stopped before the panel has redrawn: the stale button must not start the decoder again.
        const int launches = panel.station.decoderLaunches();
        QTest::mouseClick(panel.find("startStopButton"), Qt::LeftButton);
        QVERIFY(!panel.station.settings->feedingDesired());
        QVERIFY(!panel.state->isDeviceRecoveryPolling());
        QTest::mouseClick(retry, Qt::LeftButton);
        QTRY_VERIFY(!panel.shows("failureHint"));
        QCOMPARE(panel.station.decoderLaunches(), launches);
        QVERIFY(std::holds_alternative<supervisor_state::Stopped>(panel.state->supervisor().state()));
        QCOMPARE(panel.startStop(), QStringLiteral("Start Feeding"));
    }

    void crashLoopCopiesDiagnosticsOverTheClipboardAndRetries()
    {
        OpenPanel panel;
        panel.station.setScenario({QStringLiteral("exit 1")});
        panel.state->startFeeding();
        for (const auto delay : {2s, 4s, 8s, 16s, 32s}) {
            QTRY_VERIFY_WITH_TIMEOUT(
                std::holds_alternative<supervisor_state::Backoff>(panel.state->supervisor().state()), waitMs);
            panel.station.clock.advance(delay);
        }
        QTRY_VERIFY_WITH_TIMEOUT(panel.failed(SupervisorFailure::crashLoop), waitMs);
        QTRY_VERIFY(panel.shows("copyDiagnosticsButton"));

        QGuiApplication::clipboard()->setText(QStringLiteral("something the user copied"));
        QPushButton* copy = panel.find("copyDiagnosticsButton");
        QTest::mouseClick(copy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), Diagnostics::report(*panel.state));
        // Nothing else on screen changes, so the button says it for two seconds.
        QCOMPARE(copy->text(), QStringLiteral("Copied"));
        panel.station.clock.advance(1900ms);
        QCOMPARE(copy->text(), QStringLiteral("Copied"));
        panel.station.clock.advance(100ms);
        QCOMPARE(copy->text(), QStringLiteral("Copy Diagnostics"));

        const int launches = panel.station.decoderLaunches();
        QTest::mouseClick(panel.find("retryButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(panel.station.decoderLaunches(), launches + 1, waitMs);
    }

    void publishedLinksAppearOpenAndCloseThePanelLikeAMenu()
    {
        OpenPanel panel;
        panel.dropDown();
        QVERIFY(!panel.shows("liveMapButton"));
        QVERIFY(!panel.shows("feederPageButton"));

        const QUrl page(QStringLiteral("https://vireon.network/feeder/0123abcd"));
        panel.publishFeederPage(page);
        QVERIFY(!panel.shows("liveMapButton"));

        // Without a browser the panel stays and says so, instead of doing nothing.
        panel.browserWorks = false;
        QTest::mouseClick(panel.find("feederPageButton"), Qt::LeftButton);
        QCOMPARE(panel.opened, QList<QUrl>{page});
        QVERIFY(panel.window->isVisible());
        QVERIFY(panel.shows("actionProblem"));
        QCOMPARE(panel.find<QLabel>("actionProblem")->text(),
                 QStringLiteral("No web browser could be opened."));

        panel.browserWorks = true;
        QTest::mouseClick(panel.find("feederPageButton"), Qt::LeftButton);
        QCOMPARE(panel.opened.size(), 2);
        QVERIFY(!panel.window->isVisible());

        panel.window->show(); // a new opening has forgotten the complaint
        QVERIFY(!panel.shows("actionProblem"));
        QTest::mouseClick(panel.find("settingsButton"), Qt::LeftButton);
        QCOMPARE(panel.settingsShown, 1);
        QVERIFY(!panel.window->isVisible());
    }

    void returnPressesStartStopWhateverWasClickedBefore()
    {
        OpenPanel panel;
        panel.dropDown();
        QTest::mouseClick(panel.find("settingsButton"), Qt::LeftButton);
        QCOMPARE(panel.settingsShown, 1);
        panel.window->show();
        QTest::keyClick(panel.window.get(), Qt::Key_Return);
        QCOMPARE(panel.settingsShown, 1);
        QVERIFY(panel.station.settings->feedingDesired());
        QCOMPARE(panel.window->focusWidget(), panel.find("startStopButton"));
    }

    void withoutATrayTheWindowSaysWhyClosingOnlyMinimisesIt()
    {
        OpenPanel panel;
        QVERIFY(panel.shows("noTrayNote"));
        QVERIFY(panel.find<QLabel>("noTrayNote")
                    ->text()
                    .startsWith(QStringLiteral(
                        "This desktop shows no tray icons, so Vireon Feeder lives in this window.")));
        QVERIFY(!panel.window->close());
        QVERIFY(panel.window->isVisible());
        QVERIFY(panel.window->windowState() & Qt::WindowMinimized);
        QTest::keyClick(panel.window.get(), Qt::Key_Escape);
        QVERIFY(panel.window->isVisible());

        panel.dropDown();
        QVERIFY(!panel.shows("noTrayNote"));
    }

    void dropDownClosesWhenItLosesFocus()
    {
        OpenPanel panel;
        PanelWindow dropDown(*panel.state, *panel.actions, PanelWindow::Mode::dropDown);
        dropDown.show();
        dropDown.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dropDown));
        QVERIFY(!dropDown.msSinceFocusLossClose());

        // The click on the tray icon that takes the focus closes it, and must not reopen it.
        panel.window->activateWindow();
        QTRY_VERIFY(!dropDown.isVisible());
        QVERIFY(*dropDown.msSinceFocusLossClose() < focusLossClickWindowMs);
        QVERIFY(panel.window->isVisible());
    }
};

QTEST_MAIN(TestMenuContentView)
#include "TestMenuContentView.moc"
