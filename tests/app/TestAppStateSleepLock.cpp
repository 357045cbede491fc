// VIREON_TEST_NEEDS_DBUS: the desktop's inhibitor is a fake service on a private bus.
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/SleepAssertion.h"
#include "decoder/ReadsbSupervisor.h"
#include "support/FakeInhibitService.h"
#include "support/StationHarness.h"

#include <QtTest>

using namespace vireon;
using vireon::test::FakeInhibitService;
using vireon::test::StationHarness;

class TestAppStateSleepLock : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aSilentPortalDelaysNeitherFeedingNorTheFallback()
    {
        FakeInhibitService inhibitor;
        QVERIFY(inhibitor.registerPortal());
        QVERIFY(inhibitor.registerLogind());
        inhibitor.setPortalSilent(true);
        StationHarness station;
        station.countingInhibitor = false;
        AppState& state = station.launchApplication();
        station.settings->setPreventSleepWhileFeeding(true);
        QList<bool> announcedLock; // the lock's state at each announcement
        connect(&state, &AppState::changed, this,
                [&] { announcedLock.append(state.sleepAssertion().isActive()); });

        state.startFeeding();

        QVERIFY(state.sleepAssertion().isPending());
        QVERIFY(!state.sleepAssertion().isActive());
        QCOMPARE(state.supervisor().state(), SupervisorState(supervisor_state::Launching{}));
        // The portal's time-out passes, logind grants the lock, and the state says so.
        QTRY_VERIFY(!announcedLock.isEmpty() && announcedLock.last());
        QVERIFY(inhibitor.calls().last().startsWith(QStringLiteral("logind Inhibit")));

        state.stopFeeding();
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
