#pragma once

#include "location/LocationError.h"
#include "platform/LocationService.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <variant>

namespace vireon {

class TimeSource;
class Timer;

// Answers "where is this computer?" once per request: asks for permission when the service needs it,
// waits for one position, and turns every way that can fail into a LocationError. Lives on the main
// thread with its service; never tracks position on its own.
class LocationProvider : public QObject {
    Q_OBJECT
public:
    using LocationError = vireon::LocationError;
    using Result = std::variant<LocationCoordinate, LocationError>;
    // Called exactly once per request. A request refused at once (busy, denied) is answered before
    // requestOneShot() returns; every other answer arrives later from the event loop.
    using Completion = std::function<void(const Result&)>;

    static constexpr double desiredAccuracyMetres = 100;

    LocationProvider(std::unique_ptr<LocationService> service, TimeSource& time, QObject* parent = nullptr);
    ~LocationProvider() override;

    void requestOneShot(Completion completion);
    bool isRequestPending() const { return bool(m_continuation); }

private:
    void authorizationChanged();
    // What the authorisation as it stands means for the open request; an undecided one is asked
    // for only when the request is new.
    enum class Undecided { prompt, wait };
    void followAuthorization(Undecided undecided);
    void locationsUpdated(const QList<LocationCoordinate>& locations);
    void armTimeout(std::chrono::seconds after, LocationError::Kind error);
    void resume(const Result& result);

    std::unique_ptr<LocationService> m_manager;
    Completion m_continuation;
    // One timer, re-armed for each time-out; stopped when no time-out is armed.
    std::unique_ptr<Timer> m_timeout;
    LocationError::Kind m_timeoutError = LocationError::Kind::fixTimedOut;
};

} // namespace vireon
