// VIREON_TEST_NEEDS_X11: the real xcb platform, on a private bus whose StatusNotifierItem watcher is
// the test's own, as on KDE Plasma, GNOME with AppIndicator, Cinnamon, XFCE and LXQt.
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "cli/CommandLine.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbSupervisor.h"
#include "stats/StatsReader.h"
#include "support/FakeStatusNotifierWatcher.h"
#include "support/StationHarness.h"
#include "support/StatusNotifierHost.h"
#include "ui/VireonFeederApp.h"
#include "ui/common/StateColors.h"
#include "ui/panel/PanelWindow.h"
#include "ui/tray/TrayIcon.h"

#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QtTest>
#include <algorithm>

using namespace vireon;
using vireon::test::FakeStatusNotifierWatcher;
using vireon::test::StationHarness;
using vireon::test::StatusNotifierHost;
using MenuEntry = StatusNotifierHost::MenuEntry;

namespace {

constexpr int waitMs = 20'000;

// Pixels wholly in the state's colour; the antenna is drawn in it.
int pixelsInColour(const QImage& image, StatusIcon::State state)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == 255 &&
                     QColor(image.pixel(x, y)).rgb() == stateColor(state).rgb();
    return count;
}

bool showsState(StatusNotifierHost& host, StatusIcon::State state)
{
    const QImage icon = host.icon();
    return !icon.isNull() && pixelsInColour(icon, state) >= icon.width() * icon.height() / 20;
}

// The panel's visible buttons from top to bottom, left to right, as a person reads them.
QStringList panelButtons(const PanelWindow& panel)
{
    QList<QPushButton*> buttons = panel.findChildren<QPushButton*>();
    buttons.removeIf([&panel](QPushButton* button) { return !button->isVisibleTo(&panel); });
    std::sort(buttons.begin(), buttons.end(), [&panel](QPushButton* a, QPushButton* b) {
        const QPoint pa = a->mapTo(&panel, QPoint());
        const QPoint pb = b->mapTo(&panel, QPoint());
        return std::pair(pa.y(), pa.x()) < std::pair(pb.y(), pb.x());
    });
    QStringList texts;
    for (const QPushButton* button : buttons)
        texts.append(button->text());
    return texts;
}

std::optional<MenuEntry> entryLabelled(const QList<MenuEntry>& menu, const QString& label)
{
    const auto found =
        std::find_if(menu.begin(), menu.end(), [&label](const MenuEntry& e) { return e.label == label; });
    return found != menu.end() ? std::optional(*found) : std::nullopt;
}

std::unique_ptr<FakeStatusNotifierWatcher> watcher;

// The application as a desktop runs it, with its one item in the test's tray.
struct TrayApp {
    TrayApp() : earlierItems(watcher->registrations().size())
    {
        station.launchApplication();
        station.settings->setHasCompletedOnboarding(true);
        const auto plain = [](AppState&, QWidget* window) { return new QWidget(window); };
        app = std::make_unique<VireonFeederApp>(plain, plain, station.environment());
        app->start();
    }
    bool registered() const { return watcher->registrations().size() > earlierItems; }
    StatusNotifierHost& host()
    {
        if (!m_host)
            m_host = std::make_unique<StatusNotifierHost>(watcher->registrations().last());
        return *m_host;
    }
    AppState& state() const { return app->state(); }
    // The network document the application fetches at launch, which points it at the test's
    // ingest listener; a start before it comes feeds the built-in address first.
    void awaitNetworkDocument() const
    {
        QTRY_COMPARE_WITH_TIMEOUT(state().remoteConfig().ingest.host, QStringLiteral("127.0.0.1"), waitMs);
    }

    const qsizetype earlierItems;
    StationHarness station;
    std::unique_ptr<VireonFeederApp> app;

private:
    std::unique_ptr<StatusNotifierHost> m_host;
};

} // namespace

class TestStatusNotifierTray : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        // The name the program gives itself, which hosts show as the item's title.
        CommandLine::nameApplication();
        // Before anything asks Qt about the tray: it asks the bus once and keeps the answer.
        watcher = std::make_unique<FakeStatusNotifierWatcher>();
        QVERIFY(watcher->registerWatcher());
        QVERIFY(QSystemTrayIcon::isSystemTrayAvailable());
    }

    void cleanupTestCase() { watcher.reset(); }

    void theItemShowsTheStationsStateAndLeavesWithTheApplication()
    {
        FakeStatusNotifierWatcher::Item item;
        {
            TrayApp tray;
            QTRY_VERIFY_WITH_TIMEOUT(tray.registered(), waitMs);
            QVERIFY(tray.app->hasTray());
            StatusNotifierHost& host = tray.host();
            AppState& state = tray.state();
            QCOMPARE(host.title(), QStringLiteral("Vireon Feeder"));
            QCOMPARE(host.toolTipTitle(), QStringLiteral("Not feeding"));
            QVERIFY(showsState(host, StatusIcon::State::idle));

            // Feeding starts: the host hears of each change and reads the new line and colour.
            tray.awaitNetworkDocument();
            tray.station.setScenario({QStringLiteral("connect"), QStringLiteral("run")});
            state.startFeeding();
            QTRY_COMPARE_WITH_TIMEOUT(host.toolTipTitle(),
                                      QStringLiteral("Connected \u00b7 waiting for aircraft\u2026"), waitMs);
            QVERIFY(showsState(host, StatusIcon::State::warning));
            QVERIFY(!showsState(host, StatusIcon::State::idle));
            QVERIFY(host.announced("NewToolTip") > 0);
            QVERIFY(host.announced("NewIcon") > 0);

            // The stick pulled out: red, and a line that says so.
            const int icons = host.announced("NewIcon");
            tray.station.unplugStick();
            QTRY_COMPARE_WITH_TIMEOUT(
                host.toolTipTitle(),
                QStringLiteral("No RTL-SDR device \u2014 plug it in, feeding resumes automatically"), waitMs);
            QTRY_VERIFY(host.announced("NewIcon") > icons);
            QVERIFY(showsState(host, StatusIcon::State::error));
            QCOMPARE(host.title(), QStringLiteral("Vireon Feeder"));
            item = watcher->registrations().last();
            QVERIFY(watcher->liveItems().contains(item));
        }
        // Quit: the icon leaves the tray with the application.
        QTRY_VERIFY(!watcher->liveItems().contains(item));
    }

    void activateOpensThePanelWhereTheClickWas_data()
    {
        QTest::addColumn<QPoint>("click");
        QTest::newRow("tray in the top-right corner") << QPoint(1270, 6);
        QTest::newRow("tray in a bottom panel, on the left") << QPoint(12, 792);
        QTest::newRow("middle of the screen") << QPoint(640, 400);
    }

    void activateOpensThePanelWhereTheClickWas()
    {
        QFETCH(QPoint, click);
        TrayApp tray;
        QTRY_VERIFY_WITH_TIMEOUT(tray.registered(), waitMs);
        // Qt's item passes the host's coordinates on to nobody; the pointer is where the click was.
        QCursor::setPos(click);
        QTRY_COMPARE(QCursor::pos(), click);

        QVERIFY(tray.host().activate(click));
        PanelWindow& panel = tray.app->panel();
        QTRY_VERIFY(panel.isVisible());
        QCOMPARE(panel.mode(), PanelWindow::Mode::dropDown);
        const QRect placed = panel.frameGeometry();
        QVERIFY2(placed.adjusted(-6, -6, 6, 6).contains(click), qPrintable(QDebug::toString(placed)));
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(placed));
        QTRY_VERIFY(panel.isActiveWindow());

        // A second click on the icon puts it away, like a menu; that is no loss of focus, so a third
        // click at once brings it back.
        QVERIFY(tray.host().activate(click));
        QTRY_VERIFY(!panel.isVisible());
        QVERIFY(!panel.msSinceFocusLossClose());
        QVERIFY(tray.host().activate(click));
        QTRY_VERIFY(panel.isVisible());
    }

    void theMenuMatchesThePanelAndARightClickShowsIt()
    {
        TrayApp tray;
        QTRY_VERIFY_WITH_TIMEOUT(tray.registered(), waitMs);
        StatusNotifierHost& host = tray.host();
        AppState& state = tray.state();
        tray.station.unplugStick();
        state.startFeeding(); // a failure with a remedy: the fullest menu
        QTRY_VERIFY_WITH_TIMEOUT(state.supervisor().state() ==
                                     SupervisorState(supervisor_state::Failed{SupervisorFailure::noDevice}),
                                 waitMs);

        const QPoint click(1200, 8);
        QCursor::setPos(click);
        QVERIFY(host.activate(click));
        PanelWindow& panel = tray.app->panel();
        QTRY_VERIFY(panel.isVisible());
        const QStringList buttons = panelButtons(panel);
        const QString statusLine = test::child<QLabel>(&panel, "statusLine")->accessibleName();
        QVERIFY(host.activate(click));
        QTRY_VERIFY(!panel.isVisible());

        QList<MenuEntry> menu;
        QTRY_VERIFY((menu = host.menu()).size() > 2 && menu.first().label == state.statusLine());
        QCOMPARE(menu.first().label, statusLine);
        QVERIFY(!menu.first().enabled);
        QStringList entries;
        for (const MenuEntry& entry : std::as_const(menu)) {
            if (!entry.separator && entry.enabled)
                entries.append(entry.label);
        }
        QCOMPARE(entries, buttons);
        QVERIFY(entries.contains(QStringLiteral("Retry Now")));
        QCOMPARE(entries.last(), QStringLiteral("Quit Vireon Feeder"));

        // A host that draws no menu of its own asks the item to show one.
        QMenu* own = tray.app->trayIcon().contextMenu();
        QVERIFY(!own->isVisible());
        QVERIFY(host.contextMenu(click));
        QTRY_VERIFY(own->isVisible());
        QVERIFY2(own->geometry().adjusted(-6, -6, 6, 6).contains(click),
                 qPrintable(QDebug::toString(own->geometry())));
        own->hide();
    }

    void aMenuEntryStillWorksAfterTheStatusLineChanged()
    {
        TrayApp tray;
        QTRY_VERIFY_WITH_TIMEOUT(tray.registered(), waitMs);
        StatusNotifierHost& host = tray.host();
        AppState& state = tray.state();
        tray.awaitNetworkDocument();
        tray.station.setScenario({QStringLiteral("connect"),
                                  QStringLiteral("write-json aircraft=10 messages=600 window=60"),
                                  QStringLiteral("run")});
        state.startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tray.station.store->jsonDirectory() + "/stats.json"), waitMs);
        QTRY_COMPARE_WITH_TIMEOUT(state.statusLine(),
                                  QStringLiteral("Connected \u00b7 waiting for aircraft\u2026"), waitMs);
        QList<MenuEntry> menu;
        QTRY_COMPARE((menu = host.menu()).value(0).label, state.statusLine());
        QVERIFY(entryLabelled(menu, QStringLiteral("Stop Feeding")));

        // The host's menu stays open while the figures come in.
        tray.station.clock.advance(StatsReader::pollInterval);
        QTRY_COMPARE(state.statusLine(), QStringLiteral("Feeding \u00b7 10 aircraft \u00b7 10 msg/s"));
        QTRY_COMPARE(host.menu().value(0).label, state.statusLine());
        QVERIFY(host.clickMenuEntry(entryLabelled(menu, QStringLiteral("Stop Feeding"))->id));
        QTRY_VERIFY(!state.settings().feedingDesired());
        QTRY_VERIFY(std::holds_alternative<supervisor_state::Stopped>(state.supervisor().state()));
    }
};

QTEST_MAIN(TestStatusNotifierTray)
#include "TestStatusNotifierTray.moc"
