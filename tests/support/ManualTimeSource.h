#pragma once

#include "platform/TimeSource.h"

#include <QList>
#include <QPointer>

namespace vireon::test {

// A clock that only moves when the test says so. advance() walks through every timer that falls
// due on the way, in order of due time, and emits its timeout synchronously at that moment.
class ManualTimeSource final : public TimeSource {
public:
    explicit ManualTimeSource(QDateTime start = QDateTime(QDate(2025, 3, 1), QTime(17, 4, 5), Qt::UTC));
    ~ManualTimeSource() override;

    QDateTime now() const override { return m_now; }
    std::unique_ptr<Timer> createTimer() override;

    void advance(std::chrono::milliseconds by);

    // Timers currently armed (for "the timer is gone" and "never two timers" checks).
    int activeTimerCount() const;

private:
    friend class ManualTimer;
    QDateTime m_now;
    QList<QPointer<class ManualTimer>> m_timers;
};

} // namespace vireon::test
