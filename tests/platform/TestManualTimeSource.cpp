#include "support/ManualTimeSource.h"

#include <QtTest>

using namespace std::chrono_literals;
using vireon::test::ManualTimeSource;

class TestManualTimeSource : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firesTimersInDueOrderAtTheirOwnMoment()
    {
        ManualTimeSource clock;
        const QDateTime t0 = clock.now();
        auto slow = clock.createTimer();
        auto fast = clock.createTimer();
        QList<QPair<QString, qint64>> fired;
        connect(slow.get(), &vireon::Timer::timeout, this, [&] {
            fired.append({QStringLiteral("slow"), t0.msecsTo(clock.now())});
        });
        connect(fast.get(), &vireon::Timer::timeout, this, [&] {
            fired.append({QStringLiteral("fast"), t0.msecsTo(clock.now())});
        });
        slow->start(5s, false);
        fast->start(2s, true);

        clock.advance(7s);

        const QList<QPair<QString, qint64>> expected{{QStringLiteral("fast"), 2000},
                                                     {QStringLiteral("fast"), 4000},
                                                     {QStringLiteral("slow"), 5000},
                                                     {QStringLiteral("fast"), 6000}};
        QCOMPARE(fired, expected);
        QCOMPARE(t0.msecsTo(clock.now()), 7000);
        QVERIFY(!slow->isActive());
        QCOMPARE(clock.activeTimerCount(), 1);
    }

    void stoppedOrDestroyedTimersStaySilent()
    {
        ManualTimeSource clock;
        int ticks = 0;
        auto stopped = clock.createTimer();
        connect(stopped.get(), &vireon::Timer::timeout, this, [&] { ++ticks; });
        stopped->start(1s, true);
        stopped->stop();
        {
            auto gone = clock.createTimer();
            connect(gone.get(), &vireon::Timer::timeout, this, [&] { ++ticks; });
            gone->start(1s, true);
        }
        clock.advance(10s);
        QCOMPARE(ticks, 0);
    }
};

QTEST_GUILESS_MAIN(TestManualTimeSource)
#include "TestManualTimeSource.moc"
