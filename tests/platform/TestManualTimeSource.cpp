#include "support/ManualTimeSource.h"

#include <QtTest>

using namespace std::chrono_literals;
using vireon::test::ManualTimeSource;

class TestManualTimeSource : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firesDueTimersInOrderAtTheirOwnMomentAndNeverStoppedOrDestroyedOnes()
    {
        ManualTimeSource clock;
        const QDateTime t0 = clock.now();
        QStringList fired;
        const auto timer = [&](const QString& name) {
            auto made = clock.createTimer();
            connect(made.get(), &vireon::Timer::timeout, this, [&, name] {
                fired.append(name + QLatin1Char('@') + QString::number(t0.msecsTo(clock.now())));
            });
            return made;
        };
        auto slow = timer(QStringLiteral("slow"));
        auto fast = timer(QStringLiteral("fast"));
        auto stopped = timer(QStringLiteral("stopped"));
        slow->start(5s, vireon::Timer::Repeat::once);
        fast->start(2s, vireon::Timer::Repeat::repeating);
        stopped->start(1s, vireon::Timer::Repeat::repeating);
        stopped->stop();
        timer(QStringLiteral("destroyed"))->start(1s, vireon::Timer::Repeat::repeating);

        clock.advance(7s);

        QCOMPARE(fired, (QStringList{"fast@2000", "fast@4000", "slow@5000", "fast@6000"}));
        QCOMPARE(t0.msecsTo(clock.now()), 7000);
        QVERIFY(!slow->isActive());
        QCOMPARE(clock.activeTimerCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestManualTimeSource)
#include "TestManualTimeSource.moc"
