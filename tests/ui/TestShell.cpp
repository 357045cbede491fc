#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/Diagnostics.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbSupervisor.h"
#include "presentation/panel/PanelPlacement.h"
#include "stats/StatsReader.h"
#include "support/StationHarness.h"
#include "ui/AppLifecycle.h"
#include "ui/VireonFeederApp.h"
#include "ui/WindowRouter.h"
#include "ui/common/Sparkline.h"
#include "ui/common/StateColors.h"
#include "ui/common/StatusDot.h"
#include "ui/panel/MenuContentView.h"
#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelWindow.h"
#include "ui/tray/StatusIconPainter.h"
#include "ui/tray/TrayIcon.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using State = StatusIcon::State;
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

// Stands for a multi-step flow: it remembers its page, and asks to be closed like the onboarding.
class Steps : public QStackedWidget {
    Q_OBJECT
public:
    explicit Steps(QWidget* parent) : QStackedWidget(parent)
    {
        for (int i = 0; i < 3; ++i)
            addWidget(new QWidget(this));
    }
Q_SIGNALS:
    void closeRequested();
};

struct Router {
    WindowRouter router{[this](QWidget* w) {
                            ++onboardingBuilt;
                            return new Steps(w);
                        },
                        [](QWidget* w) { return new QWidget(w); }};
    int onboardingBuilt = 0;
};

const char* const stateNames[] = {"idle", "warning", "feeding", "error"};

bool isSolid(QRgb pixel, State state)
{
    return qAlpha(pixel) == 255 && QColor(pixel).rgb() == vireon::stateColor(state).rgb();
}

} // namespace

// The application's own windows: the panel, as a drop-down or as the window of a desktop without a
// tray, the tray's menu and icon, and the settings and onboarding windows with the launch that opens
// them.
class TestShell : public QObject {
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
        QCOMPARE(panel.find<StatusDot>("statusDot")->color(), stateColor(State::error));
        QCOMPARE(panel.find<QLabel>("statusLine")->accessibleName(), panel.state->statusLine());
        QPushButton* retry = panel.find("retryButton");
        QTRY_COMPARE(panel.startStop(), QStringLiteral("Stop Feeding"));

        // The tray's menu offers the same, for hosts that turn every click into it.
        TrayIcon tray(*panel.state, *panel.actions);
        const QList<QAction*> items = tray.contextMenu()->actions();
        QVERIFY(items.first()->text() == panel.state->statusLine() && !items.first()->isEnabled());
        QCOMPARE(items.at(1)->text(), retry->text());

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

    void whatTheStationHearsShowsUnderTheStatus()
    {
        OpenPanel panel;
        panel.station.setScenario({QStringLiteral("connect"),
                                   QStringLiteral("write-json aircraft=10 messages=600 window=60 lat=-33.9 "
                                                  "lon=151.2 signal=-9.5 noise=-30"),
                                   QStringLiteral("run")});
        QVERIFY(!panel.shows("figuresLine") && !panel.shows("messageRate"));
        QTest::mouseClick(panel.find("startStopButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(panel.station.store->jsonDirectory() + "/stats.json"), waitMs);
        panel.station.clock.advance(StatsReader::pollInterval);
        QTRY_VERIFY(panel.shows("positionWarning"));
        QCOMPARE(panel.find<QLabel>("figuresLine")->text(),
                 QStringLiteral("Signal \u22129.5 dBFS \u00b7 noise \u221230.0"));
        QVERIFY(panel.find<QLabel>("positionWarning")->text().contains("\u00b0 S, 151."));
        QVERIFY(!panel.shows("hearingHints"));
        auto* rate = panel.find<Sparkline>("messageRate");
        QVERIFY(rate->isVisible());
        QCOMPARE(rate->values().last(), 10.0);
        // The state may still move (the network connecting) before the next announcement lands.
        QTRY_COMPARE(rate->color(), stateColor(panel.state->iconState()));
        QCOMPARE(rate->width(), MenuContentView::width - 2 * MenuContentView::margin);

        QTest::mouseClick(panel.find("startStopButton"), Qt::LeftButton);
        QTRY_VERIFY(!panel.shows("figuresLine"));
        QVERIFY(!panel.shows("messageRate") && !panel.shows("positionWarning"));
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
        QVERIFY(!panel.window->close());
        QVERIFY(panel.window->isVisible());
        QVERIFY(panel.window->windowState() & Qt::WindowMinimized);
        QTest::keyClick(panel.window.get(), Qt::Key_Escape);
        QVERIFY(panel.window->isVisible());

        // A drop-down closes when it loses the focus; the click on the tray icon that takes the focus
        // must not open it again.
        PanelWindow dropDown(*panel.state, *panel.actions, PanelWindow::Mode::dropDown);
        QVERIFY(!dropDown.findChild<QWidget*>("noTrayNote")->isVisibleTo(&dropDown));
        dropDown.show();
        dropDown.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dropDown));
        QVERIFY(!dropDown.msSinceFocusLossClose());
        panel.window->activateWindow();
        QTRY_VERIFY(!dropDown.isVisible());
        QVERIFY(*dropDown.msSinceFocusLossClose() < focusLossClickWindowMs);
        QVERIFY(panel.window->isVisible());
    }

    void onboardingClosedHalfWayComesBackAtItsStep()
    {
        Router r;
        r.router.showOnboarding();
        QWidget* window = r.router.onboardingWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Welcome to Vireon Feeder"));
        QCOMPARE(window->size(), QSize(520, 440));
        QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
        auto* steps = window->findChild<Steps*>();
        steps->setCurrentIndex(1);

        window->close();
        QVERIFY(!window->isVisible());
        r.router.showOnboarding();
        QCOMPARE(r.router.onboardingWindow(), window);
        QCOMPARE(steps->currentIndex(), 1);

        // Finishing closes the window through its content; the window stays for later.
        Q_EMIT steps->closeRequested();
        QVERIFY(!window->isVisible());
        QCOMPARE(r.router.onboardingWindow(), window);
        QCOMPARE(r.onboardingBuilt, 1);
    }

    void aTrayThatAppearsAfterStartTakesOverFromTheWindow()
    {
        StationHarness station;
        station.launchApplication();
        station.settings->setHasCompletedOnboarding(true);
        bool trayShown = false;
        const auto plain = [](AppState&, QWidget* window) { return new QWidget(window); };
        VireonFeederApp app(plain, plain, station.environment(), [&trayShown] { return trayShown; });
        app.start();
        QPointer<PanelWindow> window = &app.panel();
        QCOMPARE(window->mode(), PanelWindow::Mode::window);
        QVERIFY(window->isVisible());

        app.checkForTray(); // the desktop's tray is not up yet
        QCOMPARE(&app.panel(), window.data());

        trayShown = true;
        app.showYourself(); // any activation looks again
        QVERIFY(app.hasTray());
        QVERIFY(!window || !window->isVisible());
        QCOMPARE(app.panel().mode(), PanelWindow::Mode::dropDown);
        QVERIFY(app.panel().isVisible());
        QTRY_VERIFY(!window);
    }

    void launchDecision_data()
    {
        QTest::addColumn<bool>("onboarded");
        QTest::addColumn<bool>("feedingDesired");
        QTest::addColumn<bool>("onboardingShown");
        QTest::addColumn<bool>("decoderStarted");
        QTest::newRow("first launch, feeding left on by an earlier install")
            << false << true << true << false;
        QTest::newRow("onboarded and feeding wanted") << true << true << false << true;
        QTest::newRow("onboarded, feeding not wanted") << true << false << false << false;
    }

    void launchDecision()
    {
        QFETCH(bool, onboarded);
        QFETCH(bool, feedingDesired);
        QFETCH(bool, decoderStarted);

        StationHarness station;
        AppState& state = station.launchApplication();
        station.settings->setHasCompletedOnboarding(onboarded);
        station.settings->setFeedingDesired(feedingDesired);
        // Edited by hand while the application was not running.
        station.writeConfig(StationHarness::defaultConfigWith(
            "station", QJsonObject{{"lat", 52.5}, {"lon", 13.4}, {"gain", "38.6"}}));

        Router r;
        AppLifecycle lifecycle(state, r.router);
        lifecycle.launched();

        QTEST(r.router.onboardingWindow() != nullptr, "onboardingShown");
        QCOMPARE(r.router.settingsWindow(), nullptr);
        QCOMPARE(station.decoderLaunches() > 0 || state.supervisor().desiredRunning(), decoderStarted);
        if (decoderStarted)
            QTRY_VERIFY_WITH_TIMEOUT(station.lastDecoderArguments().join(' ').contains("--gain 38.6 "),
                                     waitMs);

        lifecycle.aboutToQuit();
        QVERIFY(std::holds_alternative<supervisor_state::Stopped>(state.supervisor().state()));
        QCOMPARE(station.settings->feedingDesired(), feedingDesired);
    }

    void everyTraySize_data()
    {
        QTest::addColumn<int>("stateIndex");
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        for (int i = 0; i < 4; ++i)
            for (const int size : {16, 22, 24, 32, 48})
                for (const qreal ratio : {1.0, 2.0})
                    QTest::addRow("%s at %d px ×%g", stateNames[i], size, ratio) << i << size << ratio;
    }
    void everyTraySize()
    {
        QFETCH(int, stateIndex);
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        const State state = State(stateIndex);
        const QImage image =
            StatusIconPainter::image(state, size, ratio).convertToFormat(QImage::Format_ARGB32);
        const QImage idle =
            StatusIconPainter::image(State::idle, size, ratio).convertToFormat(image.format());
        const int n = qRound(size * ratio);
        // A high-density image really has the extra pixels, and says so.
        QCOMPARE(image.size(), QSize(n, n));
        QCOMPARE(image.devicePixelRatio(), ratio);

        QRect drawn;
        int solid = 0, reshaped = 0;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                drawn |= qAlpha(image.pixel(x, y)) ? QRect(x, y, 1, 1) : QRect();
                solid += isSolid(image.pixel(x, y), state);
                reshaped += std::abs(qAlpha(image.pixel(x, y)) - qAlpha(idle.pixel(x, y))) > 128;
            }
        // Nothing is cut off at the canvas edge.
        QVERIFY2(QRect(1, 1, n - 2, n - 2).contains(drawn), qPrintable(QDebug::toString(drawn)));
        // The state's own colour is there in solid pixels, not only in blended edges.
        QVERIFY2(solid >= n * n / 20, qPrintable(QStringLiteral("%1 solid pixels").arg(solid)));
        for (int other = 0; other < 4; ++other)
            QVERIFY(other == stateIndex || stateColor(State(other)) != stateColor(state));
        // Only the error's crossing bar changes the glyph, and it changes a visible part of it.
        QVERIFY(state == State::error ? reshaped >= n * n / 20 : reshaped == 0);

        // The mast is sharp: across it, a pixel is either wholly the colour or has none of it.
        int mast = 0;
        for (int x = n / 3; x <= n - n / 3; ++x) {
            const QRgb pixel = image.pixel(x, n * 85 / 100);
            mast += isSolid(pixel, state);
            QVERIFY(isSolid(pixel, state) || (pixel & RGB_MASK) == 0 || state == State::error);
        }
        QVERIFY(mast >= 2);
    }

    void theTrayIconIsDrawnForEachSizeNotScaled()
    {
        QImage hidpi = StatusIconPainter::icon(State::feeding).pixmap(QSize(22, 22), 2.0).toImage();
        hidpi.setDevicePixelRatio(1.0);
        QCOMPARE(hidpi.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 StatusIconPainter::image(State::feeding, 44));
    }

    void nonsenseSizesStillGiveAnIcon()
    {
        QCOMPARE(StatusIconPainter::image(State::warning, -22).size(), QSize(1, 1));
        QCOMPARE(StatusIconPainter::image(State::warning, 100000).size(), QSize(1024, 1024)); // capped
        QCOMPARE(StatusIconPainter::image(State::warning, 22, qQNaN()).size(), QSize(22, 22));
    }
};

QTEST_MAIN(TestShell)
#include "TestShell.moc"
