// VIREON_TEST_NEEDS_DBUS: the desktop's inhibitor is a fake service on a private bus.
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "support/FakeInhibitService.h"
#include "support/StationHarness.h"

#include <QtTest>

using namespace vireon;
using vireon::test::FakeInhibitService;
using vireon::test::StationHarness;

class TestAppStateSleepLock : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void feedingHoldsTheDesktopsIdleLockUntilStopOrQuit()
    {
        FakeInhibitService inhibitor;
        QVERIFY(inhibitor.registerPortal());
        StationHarness station;
        station.countingInhibitor = false; // the real desktop inhibitor, talking to the fake service
        AppState& state = station.launchApplication();
        station.settings->setPreventSleepWhileFeeding(true);

        state.startFeeding();
        state.applySettingsToRunningFeed();
        QVERIFY(inhibitor.waitForActiveLocks(1));
        QCOMPARE(inhibitor.calls().filter(QStringLiteral("Inhibit")).size(), 1);

        state.stopFeeding();
        QVERIFY(inhibitor.waitForActiveLocks(0));

        state.startFeeding();
        QVERIFY(inhibitor.waitForActiveLocks(1));
        station.quitApplication();
        QVERIFY(inhibitor.waitForActiveLocks(0));
    }

    void withoutAnInhibitorFeedingGoesOn()
    {
        StationHarness station;
        station.countingInhibitor = false; // nothing registered on the bus
        AppState& state = station.launchApplication();
        station.settings->setPreventSleepWhileFeeding(true);

        state.startFeeding();

        QVERIFY(state.isFeedingActive());
        QVERIFY(!state.configError());
    }
};

QTEST_GUILESS_MAIN(TestAppStateSleepLock)
#include "TestAppStateSleepLock.moc"
