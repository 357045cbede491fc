#include "app/AppSettings.h"
#include "app/AppState.h"
#include "decoder/ReadsbSupervisor.h"
#include "support/StationHarness.h"
#include "ui/AppLifecycle.h"
#include "ui/VireonFeederApp.h"
#include "ui/WindowRouter.h"
#include "ui/panel/PanelWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStackedWidget>
#include <QtTest>

using namespace vireon;
using vireon::test::StationHarness;

namespace {

constexpr int waitMs = 20'000;

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
                        [this](QWidget* w) {
                            ++settingsBuilt;
                            return new QWidget(w);
                        }};
    int onboardingBuilt = 0;
    int settingsBuilt = 0;
};

QPoint screenCentre()
{
    return QGuiApplication::primaryScreen()->availableGeometry().center();
}

} // namespace

class TestShellWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingsAskedTwiceIsOneWindowCentredAgain()
    {
        Router r;
        r.router.showSettings();
        QWidget* window = r.router.settingsWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Vireon Feeder Settings"));
        QVERIFY(window->width() >= 420);
        QCOMPARE(window->minimumHeight(), 380);
        QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);

        window->move(10, 10);
        window->close();
        r.router.showSettings();
        QCOMPARE(r.router.settingsWindow(), window);
        QCOMPARE(r.settingsBuilt, 1);
        QVERIFY(window->isVisible());
        QVERIFY((window->geometry().center() - screenCentre()).manhattanLength() <= 2);
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
        QFETCH(bool, onboardingShown);
        QFETCH(bool, decoderStarted);

        StationHarness station;
        AppState& state = station.launchApplication();
        station.settings->setHasCompletedOnboarding(onboarded);
        station.settings->setFeedingDesired(feedingDesired);
        // Edited by hand while the application was not running.
        QJsonObject config = StationHarness::defaultConfig();
        QJsonObject stationSection = config[QStringLiteral("station")].toObject();
        stationSection[QStringLiteral("gain")] = QStringLiteral("38.6");
        config[QStringLiteral("station")] = stationSection;
        station.writeConfig(config);

        Router r;
        AppLifecycle lifecycle(state, r.router);
        lifecycle.launched();

        QCOMPARE(r.router.onboardingWindow() != nullptr, onboardingShown);
        QCOMPARE(r.router.settingsWindow(), nullptr);
        QCOMPARE(station.decoderLaunches() > 0 || state.supervisor().desiredRunning(), decoderStarted);
        if (decoderStarted) {
            QTRY_VERIFY_WITH_TIMEOUT(!station.lastDecoderArguments().isEmpty(), waitMs);
            const QStringList arguments = station.lastDecoderArguments();
            QCOMPARE(arguments.value(arguments.indexOf(QStringLiteral("--gain")) + 1),
                     QStringLiteral("38.6"));
        }

        lifecycle.aboutToQuit();
        QVERIFY(std::holds_alternative<supervisor_state::Stopped>(state.supervisor().state()));
        QCOMPARE(station.settings->feedingDesired(), feedingDesired);
    }
};

QTEST_MAIN(TestShellWindows)
#include "TestShellWindows.moc"
