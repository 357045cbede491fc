// VIREON_TEST_NEEDS_DBUS: runs on a private bus that serves as both session and system bus.
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/SleepAssertion.h"
#include "decoder/ReadsbSupervisor.h"
#include "platform/LogindIdleInhibitor.h"
#include "platform/PortalIdleInhibitor.h"
#include "support/FakeInhibitService.h"
#include "support/StationHarness.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::FakeInhibitService;
using vireon::test::StationHarness;

namespace {
enum Portal { none, answering, refusing };
const QString portalInhibit =
    QStringLiteral("portal Inhibit flags=4 reason=Vireon Feeder is feeding ADS-B data");
const QString logindInhibit = QStringLiteral(
    "logind Inhibit what=idle who=Vireon Feeder why=Vireon Feeder is feeding ADS-B data mode=block");
const QString portalClose = QStringLiteral("portal Close");
} // namespace

class TestSleepAssertion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneLockTakenAndGivenBack_data()
    {
        QTest::addColumn<int>("portal");
        QTest::addColumn<QStringList>("cycle"); // the calls one activate and deactivate make
        QTest::newRow("with portal and logind, the portal is asked")
            << int(answering) << QStringList{portalInhibit, portalClose};
        QTest::newRow("with only logind, its idle lock is taken") << int(none) << QStringList{logindInhibit};
        QTest::newRow("a portal that refuses falls back to logind")
            << int(refusing) << QStringList{portalInhibit, logindInhibit};
    }
    void oneLockTakenAndGivenBack()
    {
        QFETCH(int, portal);
        QFETCH(QStringList, cycle);
        FakeInhibitService fake;
        QVERIFY(portal == none || fake.registerPortal());
        QVERIFY(fake.registerLogind());
        fake.setPortalRefuses(portal == refusing);
        {
            SleepAssertion assertion;
            assertion.activate();
            assertion.activate();
            QTRY_VERIFY(assertion.isActive());
            QCOMPARE(fake.activeLocks(), 1);
            assertion.deactivate();
            assertion.deactivate();
            QVERIFY(fake.waitForActiveLocks(0));
            assertion.activate();
            QTRY_VERIFY(assertion.isActive());
            QCOMPARE(fake.activeLocks(), 1);
        }
        // Destruction gives back what the holder still had.
        QVERIFY(fake.waitForActiveLocks(0));
        QCOMPARE(fake.calls(), cycle + cycle);
    }

    void withNoServiceNothingIsHeldAndTheNextActivateTriesAgain()
    {
        FakeInhibitService fake;
        SleepAssertion assertion(std::make_unique<LogindIdleInhibitor>(QDBusConnection::systemBus()));
        assertion.activate();
        QVERIFY(assertion.isPending());
        QTRY_VERIFY(!assertion.isPending());
        QVERIFY(!assertion.isActive());
        QVERIFY(fake.registerLogind());
        QSignalSpy changed(&assertion, &SleepAssertion::changed);
        assertion.activate();
        QTRY_VERIFY(assertion.isActive());
        QCOMPARE(changed.size(), 1);
    }

    void aLockGrantedAfterFeedingStoppedIsGivenBackAtOnce()
    {
        FakeInhibitService fake;
        QVERIFY(fake.registerPortal());
        SleepAssertion assertion;
        assertion.activate();
        assertion.deactivate();
        assertion.activate();
        assertion.deactivate();
        QTRY_VERIFY(!assertion.isPending());
        QVERIFY(fake.waitForActiveLocks(0));
        QVERIFY(!assertion.isActive());
        QCOMPARE(fake.calls(), (QStringList{portalInhibit, portalClose}));
    }

    void aPortalAnsweringTooLateLeavesNoLockBehind()
    {
        FakeInhibitService fake;
        QVERIFY(fake.registerPortal());
        fake.setPortalSilent(true);
        PortalIdleInhibitor inhibitor(QDBusConnection::sessionBus(), 200ms);
        std::optional<bool> held;
        inhibitor.acquire(SleepAssertion::reason(), [&](bool answer) { held = answer; });
        QVERIFY(!held);
        QTRY_COMPARE(held, std::optional(false));
        QTRY_COMPARE(fake.calls(), (QStringList{portalInhibit, portalClose}));
        QCOMPARE(fake.activeLocks(), 0);
    }

    // The desktop's own inhibitor under the application: feeding never waits on it.
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

QTEST_GUILESS_MAIN(TestSleepAssertion)
#include "TestSleepAssertion.moc"
