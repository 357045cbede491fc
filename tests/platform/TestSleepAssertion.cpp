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

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected() || !QDBusConnection::systemBus().isConnected())
            QSKIP("needs the private test bus (dbus-run-session)");
    }
    void init() { m_fake = std::make_unique<FakeInhibitService>(); }
    void cleanup() { m_fake.reset(); }

    void oneLockTakenAndGivenBack_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<bool>("portalRefuses");
        QTest::addColumn<QStringList>("take");
        QTest::addColumn<QStringList>("give");
        QTest::newRow("with portal and logind, the portal is asked")
            << true << false << QStringList{portalInhibit} << QStringList{portalClose};
        QTest::newRow("with only logind, its idle lock is taken")
            << false << false << QStringList{logindInhibit} << QStringList{};
        QTest::newRow("a portal that refuses falls back to logind")
            << true << true << QStringList{portalInhibit, logindInhibit} << QStringList{};
    }
    void oneLockTakenAndGivenBack()
    {
        QFETCH(bool, portal);
        QFETCH(bool, portalRefuses);
        QFETCH(QStringList, take);
        QFETCH(QStringList, give);
        QVERIFY(!portal || m_fake->registerPortal());
        QVERIFY(m_fake->registerLogind());
        m_fake->setPortalRefuses(portalRefuses);
        {
            SleepAssertion assertion;
            assertion.activate();
            assertion.activate();
            QVERIFY(assertion.isActive());
            QCOMPARE(m_fake->calls(), take);
            QCOMPARE(m_fake->activeLocks(), 1);

            assertion.deactivate();
            assertion.deactivate();
            QVERIFY(!assertion.isActive());
            QVERIFY(m_fake->waitForActiveLocks(0));
            QCOMPARE(m_fake->calls(), take + give);

            assertion.activate();
            QCOMPARE(m_fake->activeLocks(), 1);
        }
        // Destruction gives back what the holder still had.
        QVERIFY(m_fake->waitForActiveLocks(0));
        QCOMPARE(m_fake->calls(), take + give + take + give);
    }

    void withNoServiceNothingIsHeldAndTheNextActivateTriesAgain()
    {
        if (QDBusConnection::sessionBus().interface()->activatableServiceNames().value().contains(
                QStringLiteral("org.freedesktop.portal.Desktop")))
            QSKIP("a real portal could be started on this bus");
        SleepAssertion assertion;
        assertion.activate();
        QVERIFY(!assertion.isActive());
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
