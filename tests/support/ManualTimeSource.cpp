#include "support/ManualTimeSource.h"

#include <QCoreApplication>

namespace vireon::test {

class ManualTimer final : public Timer {
public:
    explicit ManualTimer(ManualTimeSource* source) : m_source(source) {}
    void start(std::chrono::milliseconds interval, Repeat repeat) override
    {
        m_interval = std::max<qint64>(interval.count(), 1);
        m_repeating = repeat == Repeat::repeating;
        m_due = m_source->elapsed() + interval;
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    ManualTimeSource* m_source;
    qint64 m_interval = 1;
    bool m_repeating = false;
    bool m_active = false;
    std::chrono::milliseconds m_due{0};
};

ManualTimeSource::ManualTimeSource(QDateTime start) : m_now(std::move(start)) {}
ManualTimeSource::~ManualTimeSource() = default;

std::unique_ptr<Timer> ManualTimeSource::createTimer()
{
    auto timer = std::make_unique<ManualTimer>(this);
    m_timers.append(timer.get());
    return timer;
}

int ManualTimeSource::activeTimerCount() const
{
    return int(
        std::count_if(m_timers.begin(), m_timers.end(), [](const auto& t) { return t && t->m_active; }));
}

void ManualTimeSource::advance(std::chrono::milliseconds by)
{
    const std::chrono::milliseconds target = m_elapsed + by;
    for (;;) {
        m_timers.removeIf([](const QPointer<ManualTimer>& t) { return t.isNull(); });
        ManualTimer* next = nullptr;
        for (ManualTimer* timer : std::as_const(m_timers)) {
            if (timer->m_active && timer->m_due <= target && (!next || timer->m_due < next->m_due))
                next = timer;
        }
        if (!next)
            break;
        m_now = m_now.addMSecs((next->m_due - m_elapsed).count());
        m_elapsed = next->m_due;
        next->m_due = m_elapsed + std::chrono::milliseconds(next->m_interval);
        next->m_active = next->m_repeating;
        Q_EMIT next->timeout();
        // Let queued reactions to the tick run before the clock moves on, as they would in real time.
        QCoreApplication::processEvents();
    }
    m_now = m_now.addMSecs((target - m_elapsed).count());
    m_elapsed = target;
}

} // namespace vireon::test
