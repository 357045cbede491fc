// Runs on a private session bus (VIREON_TEST_NEEDS_DBUS) with a stand-in timedated on it.
#include "platform/ClockSync.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QtTest>

using vireon::ClockSync;

Q_DECLARE_METATYPE(std::optional<bool>)

namespace {

const QString service = QStringLiteral("org.freedesktop.timedate1");
const QString path = QStringLiteral("/org/freedesktop/timedate1");

// Answers Properties.Get for NTPSynchronized with whatever value it is given.
class FakeTimedated final : public QDBusVirtualObject {
public:
    explicit FakeTimedated(QVariant answer)
        : m_answer(std::move(answer)),
          m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "timedated"))
    {
        if (!m_bus.registerVirtualObject(path, this) || !m_bus.registerService(service))
            qFatal("cannot stand in for timedated");
    }
    ~FakeTimedated() override
    {
        m_bus.unregisterService(service);
        m_bus.unregisterObject(path);
        QDBusConnection::disconnectFromBus("timedated");
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != "Get" || message.arguments().value(1).toString() != "NTPSynchronized")
            return false;
        ++asked;
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(m_answer))));
    }
    int asked = 0;

private:
    QVariant m_answer;
    QDBusConnection m_bus;
};

} // namespace

class TestClockSync : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: the suite runs under dbus-run-session");
    }

    void theAnswerArrivesLaterAndOnlyAsABoolCounts_data()
    {
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<std::optional<bool>>("synchronised");
        QTest::newRow("synchronised") << QVariant(true) << std::optional(true);
        QTest::newRow("not synchronised") << QVariant(false) << std::optional(false);
        QTest::newRow("an answer of another type")
            << QVariant(QStringLiteral("yes")) << std::optional<bool>();
    }
    void theAnswerArrivesLaterAndOnlyAsABoolCounts()
    {
        QFETCH(QVariant, answer);
        QFETCH(std::optional<bool>, synchronised);
        FakeTimedated timedated(answer);
        ClockSync clock(QDBusConnection::sessionBus());
        QSignalSpy changed(&clock, &ClockSync::changed);
        clock.refresh();
        QVERIFY(!clock.synchronised().has_value()); // never answered from inside refresh()
        QTRY_COMPARE(timedated.asked, 1);
        QTRY_COMPARE(clock.synchronised(), synchronised);
        QCOMPARE(changed.size(), synchronised ? 1 : 0);

        // The same answer again is no change.
        clock.refresh();
        QTRY_COMPARE(timedated.asked, 2);
        QTest::qWait(50);
        QCOMPARE(changed.size(), synchronised ? 1 : 0);
    }

    void withoutTimedatedNothingIsSaid()
    {
        ClockSync clock(QDBusConnection::sessionBus(), std::chrono::milliseconds(500));
        QSignalSpy changed(&clock, &ClockSync::changed);
        clock.refresh();
        QTest::qWait(700);
        QVERIFY(!clock.synchronised().has_value());
        QCOMPARE(changed.size(), 0);
    }

    void aBusThatIsNotThereIsNotAsked()
    {
        ClockSync clock(QDBusConnection(QStringLiteral("never connected")));
        clock.refresh();
        QVERIFY(!clock.synchronised().has_value());
    }
};

QTEST_GUILESS_MAIN(TestClockSync)
#include "TestClockSync.moc"
