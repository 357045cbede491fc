// VIREON_TEST_NEEDS_DBUS: runs on a private bus that serves as both session and system bus.
#include "app/SleepAssertion.h"
#include "platform/PortalIdleInhibitor.h"
#include "support/FakeInhibitService.h"

#include <QDBusConnectionInterface>
#include <QtTest>

using namespace std::chrono_literals;
using vireon::SleepAssertion;
using vireon::test::FakeInhibitService;

namespace {

const QString portalInhibit =
    QStringLiteral("portal Inhibit flags=4 reason=Vireon Feeder is feeding ADS-B data");
const QString logindInhibit = QStringLiteral(
    "logind Inhibit what=idle who=Vireon Feeder why=Vireon Feeder is feeding ADS-B data mode=block");
const QString portalClose = QStringLiteral("portal Close");

} // namespace

class TestSleepAssertion : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeInhibitService> m_fake;

    void setUpServices(bool portal, bool portalRefuses, bool logind)
    {
        if (portal)
            QVERIFY(m_fake->registerPortal());
        m_fake->setPortalRefuses(portalRefuses);
        if (logind)
            QVERIFY(m_fake->registerLogind());
    }

    static void addServiceRows()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<bool>("portalRefuses");
        QTest::addColumn<bool>("logind");
        QTest::addColumn<QStringList>("takeCalls");
        QTest::addColumn<QStringList>("releaseCalls");
        QTest::newRow("with portal and logind, the portal is asked")
            << true << false << true << QStringList{portalInhibit} << QStringList{portalClose};
        QTest::newRow("with only logind, its idle lock is taken")
            << false << false << true << QStringList{logindInhibit} << QStringList{};
        QTest::newRow("a portal that refuses falls back to logind")
            << true << true << true << QStringList{portalInhibit, logindInhibit} << QStringList{};
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected() || !QDBusConnection::systemBus().isConnected())
            QSKIP("needs the private test bus (dbus-run-session)");
    }

    void init() { m_fake = std::make_unique<FakeInhibitService>(); }
    void cleanup() { m_fake.reset(); }

    void oneLockTakenAndGivenBack_data() { addServiceRows(); }
    void oneLockTakenAndGivenBack()
    {
        QFETCH(bool, portal);
        QFETCH(bool, portalRefuses);
        QFETCH(bool, logind);
        QFETCH(QStringList, takeCalls);
        QFETCH(QStringList, releaseCalls);
        setUpServices(portal, portalRefuses, logind);

        SleepAssertion assertion;
        assertion.activate();
        QVERIFY(assertion.isActive());
        assertion.activate();
        QCOMPARE(m_fake->calls(), takeCalls);
        QCOMPARE(m_fake->activeLocks(), 1);

        assertion.deactivate();
        QVERIFY(!assertion.isActive());
        QVERIFY(m_fake->waitForActiveLocks(0));
        QCOMPARE(m_fake->calls(), takeCalls + releaseCalls);

        // Released means released: a second deactivate sends nothing, the next activate takes anew.
        assertion.deactivate();
        assertion.activate();
        QVERIFY(assertion.isActive());
        QCOMPARE(m_fake->activeLocks(), 1);
        QCOMPARE(m_fake->calls(), takeCalls + releaseCalls + takeCalls);
    }

    void destructionGivesTheLockBack_data() { addServiceRows(); }
    void destructionGivesTheLockBack()
    {
        QFETCH(bool, portal);
        QFETCH(bool, portalRefuses);
        QFETCH(bool, logind);
        setUpServices(portal, portalRefuses, logind);
        {
            SleepAssertion assertion;
            assertion.activate();
            QCOMPARE(m_fake->activeLocks(), 1);
        }
        QVERIFY(m_fake->waitForActiveLocks(0));
    }

    void withNoServiceNothingIsHeldAndTheNextActivateTriesAgain()
    {
        const QStringList activatable = QDBusConnection::sessionBus().interface()->activatableServiceNames();
        if (activatable.contains(QStringLiteral("org.freedesktop.portal.Desktop")))
            QSKIP("a real portal could be started on this bus");

        SleepAssertion assertion;
        assertion.activate();
        QVERIFY(!assertion.isActive());
        assertion.deactivate();
        QVERIFY(m_fake->calls().isEmpty());

        QVERIFY(m_fake->registerLogind());
        assertion.activate();
        QVERIFY(assertion.isActive());
        QCOMPARE(m_fake->activeLocks(), 1);
    }

    void aPortalAnsweringTooLateLeavesNoLockBehind()
    {
        QVERIFY(m_fake->registerPortal());
        m_fake->setPortalSilent(true);
        vireon::PortalIdleInhibitor inhibitor(QDBusConnection::sessionBus(), 200ms);
        QVERIFY(!inhibitor.acquire(SleepAssertion::reason()));
        QVERIFY(!inhibitor.isHeld());
        QCOMPARE(m_fake->calls(), (QStringList{portalInhibit, portalClose}));
        QCOMPARE(m_fake->activeLocks(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSleepAssertion)
#include "TestSleepAssertion.moc"
