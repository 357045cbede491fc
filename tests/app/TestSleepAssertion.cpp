// VIREON_TEST_NEEDS_DBUS: runs on a private bus that serves as both session and system bus.
#include "app/SleepAssertion.h"
#include "platform/LogindIdleInhibitor.h"
#include "platform/PortalIdleInhibitor.h"
#include "support/FakeInhibitService.h"

#include <QtTest>

using namespace std::chrono_literals;
using vireon::SleepAssertion;
using vireon::test::FakeInhibitService;

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
        SleepAssertion assertion(std::make_unique<vireon::LogindIdleInhibitor>(QDBusConnection::systemBus()));
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
        vireon::PortalIdleInhibitor inhibitor(QDBusConnection::sessionBus(), 200ms);
        std::optional<bool> held;
        inhibitor.acquire(SleepAssertion::reason(), [&](bool answer) { held = answer; });
        QVERIFY(!held);
        QTRY_COMPARE(held, std::optional(false));
        QTRY_COMPARE(fake.calls(), (QStringList{portalInhibit, portalClose}));
        QCOMPARE(fake.activeLocks(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSleepAssertion)
#include "TestSleepAssertion.moc"
