#include "platform/TimeSource.h"

#include <QTimer>

namespace vireon {
namespace {

class QtTimer final : public Timer {
public:
    QtTimer()
    {
        connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
        m_timer.setTimerType(Qt::PreciseTimer);
    }

    void start(std::chrono::milliseconds interval, Repeat repeat) override
    {
        m_timer.setSingleShot(repeat == Repeat::once);
        m_timer.start(interval);
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class SystemTimeSource final : public TimeSource {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    std::chrono::milliseconds elapsed() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
    std::unique_ptr<Timer> createTimer() override { return std::make_unique<QtTimer>(); }
};

} // namespace

TimeSource& TimeSource::system()
{
    static SystemTimeSource source;
    return source;
}

} // namespace vireon
