#pragma once

// Shared by the benchmarks that measure how long the GUI thread goes without turning its event loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vireon::bench {

// A 1 ms repeating timer stands for the user's clicks and redraws: the longest gap between two of
// its ticks, kept per phase, is the longest the user would wait.
class GapMeter {
public:
    explicit GapMeter(std::string firstPhase = "start") : m_phase(std::move(firstPhase))
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start(1);
        m_clock.start();
    }
    // A gap that spans the change counts for the phase that caused it.
    void setPhase(const char* phase)
    {
        tick();
        m_phase = phase;
    }
    const std::map<std::string, qint64>& longestByPhase() const { return m_longest; }

    // Every gap longer than the threshold, when it ended (ns since the meter started) and how long
    // it was, so a long run can say what was going on at each.
    struct Gap {
        qint64 endedNs;
        qint64 lengthNs;
    };
    void keepGapsOver(qint64 thresholdNs) { m_threshold = thresholdNs; }
    const std::vector<Gap>& keptGaps() const { return m_kept; }
    qint64 elapsedNs() const { return m_clock.nsecsElapsed(); }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        if (m_last >= 0) {
            qint64& longest = m_longest[m_phase];
            longest = std::max(longest, now - m_last);
            if (m_threshold > 0 && now - m_last > m_threshold)
                m_kept.push_back({now, now - m_last});
        }
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    std::string m_phase;
    std::map<std::string, qint64> m_longest;
    qint64 m_threshold = 0;
    std::vector<Gap> m_kept;
};

// Turns the event loop until the condition holds; false after the time-out. It sleeps between
// events like the application's own loop: processEvents() with a time limit never waits, and
// polling without a wait kept a whole core busy, which the machine's scheduler then charged to the
// gaps being measured. A 5 ms tick wakes it to look at the condition when nothing else happens.
inline bool runUntil(const std::function<bool()>& condition, int timeoutMs = 20'000)
{
    QElapsedTimer waited;
    waited.start();
    QTimer tick;
    tick.start(5);
    while (!condition()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void runFor(int ms)
{
    QElapsedTimer waited;
    waited.start();
    runUntil([&] { return waited.elapsed() >= ms; }, ms + 1000);
}

} // namespace vireon::bench
