#pragma once

#include <QDateTime>
#include <QObject>
#include <chrono>
#include <memory>

namespace vireon {

// A timer handed out by a TimeSource. Stopping or destroying it guarantees no further timeout().
class Timer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Timer() override = default;

    enum class Repeat { once, repeating };

    virtual void start(std::chrono::milliseconds interval, Repeat repeat) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

Q_SIGNALS:
    void timeout();
};

// Every reading of "now" and every timer of the engine goes through one of these, so tests can
// drive restart back-offs, crash-loop windows and polls by hand instead of sleeping.
class TimeSource {
public:
    virtual ~TimeSource() = default;

    virtual QDateTime now() const = 0;
    // Time since some fixed moment that only ever moves forward, at the pace of the timers: what
    // durations are measured with, since the wall clock may be set back or forward at any time.
    virtual std::chrono::milliseconds elapsed() const = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;

    // The wall clock and QTimer; lives for the whole process.
    static TimeSource& system();
};

} // namespace vireon
