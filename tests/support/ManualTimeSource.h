#pragma once

#include "platform/TimeSource.h"

#include <QList>
#include <QPointer>

namespace vireon::test {

// A clock that only moves when the test says so. advance() walks through every timer that falls
// due on the way, in order of due time, and emits its timeout synchronously at that moment.
// setWallClock() moves only the wall clock, as a user or NTP setting the time does: the timers and
// elapsed() go on as if nothing happened.
class ManualTimeSource final : public TimeSource {
public:
    explicit ManualTimeSource(QDateTime start = QDateTime(QDate(2025, 3, 1), QTime(17, 4, 5), Qt::UTC));
    ~ManualTimeSource() override;

    QDateTime now() const override { return m_now; }
    std::chrono::milliseconds elapsed() const override { return m_elapsed; }
    std::unique_ptr<Timer> createTimer() override;

    void advance(std::chrono::milliseconds by);
    void setWallClock(std::chrono::milliseconds by) { m_now = m_now.addMSecs(by.count()); }

    // Timers currently armed (for "the timer is gone" and "never two timers" checks).
    int activeTimerCount() const;

private:
    friend class ManualTimer;
    QDateTime m_now;
    std::chrono::milliseconds m_elapsed{0};
    QList<QPointer<class ManualTimer>> m_timers;
};

} // namespace vireon::test
