#include "support/ManualTimeSource.h"

#include <QCoreApplication>

namespace vireon::test {

class ManualTimer final : public Timer {
public:
    explicit ManualTimer(ManualTimeSource* source) : m_source(source) {}

    void start(std::chrono::milliseconds interval, Repeat repeat) override
    {
        m_interval = interval;
        m_repeating = repeat == Repeat::repeating;
        m_due = m_source->now().addMSecs(interval.count());
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    ManualTimeSource* m_source;
    std::chrono::milliseconds m_interval{0};
    bool m_repeating = false;
    bool m_active = false;
    QDateTime m_due;
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
    int count = 0;
    for (const auto& timer : m_timers) {
        if (timer && timer->m_active)
            ++count;
    }
    return count;
}

void ManualTimeSource::advance(std::chrono::milliseconds by)
{
    const QDateTime target = m_now.addMSecs(by.count());
    for (;;) {
        m_timers.removeIf([](const QPointer<ManualTimer>& t) { return t.isNull(); });
        ManualTimer* next = nullptr;
        for (const auto& timer : m_timers) {
            if (timer->m_active && timer->m_due <= target && (!next || timer->m_due < next->m_due))
                next = timer;
        }
        if (!next)
            break;
        m_now = next->m_due;
        if (next->m_repeating)
            next->m_due = next->m_due.addMSecs(std::max<qint64>(next->m_interval.count(), 1));
        else
            next->m_active = false;
        Q_EMIT next->timeout();
        // Let queued reactions to the tick run before the clock moves on, as they would in real time.
        QCoreApplication::processEvents();
    }
    m_now = target;
}

} // namespace vireon::test
