#include "location/LocationProvider.h"

#include "platform/TimeSource.h"

using namespace std::chrono_literals;

namespace vireon {
namespace {
constexpr auto promptTimeout = 90s;
constexpr auto fixTimeout = 20s;
using Kind = LocationError::Kind;
using Authorization = LocationService::Authorization;
} // namespace

LocationProvider::LocationProvider(std::unique_ptr<LocationService> service, TimeSource& time,
                                   QObject* parent)
    : QObject(parent), m_manager(std::move(service)), m_timeout(time.createTimer())
{
    connect(m_timeout.get(), &Timer::timeout, this, [this] { resume(LocationError{m_timeoutError}); });
    m_manager->setDesiredAccuracy(desiredAccuracyMetres);
    connect(m_manager.get(), &LocationService::authorizationChanged, this,
            &LocationProvider::authorizationChanged);
    connect(m_manager.get(), &LocationService::locationsUpdated, this, &LocationProvider::locationsUpdated);
    connect(m_manager.get(), &LocationService::failed, this,
            [this] { resume(LocationError{Kind::unavailable}); });
}

LocationProvider::~LocationProvider() = default;

void LocationProvider::requestOneShot(Completion completion)
{
    if (m_continuation) {
        completion(LocationError{Kind::busy});
        return;
    }
    m_continuation = std::move(completion);
    followAuthorization(Undecided::prompt);
}

void LocationProvider::authorizationChanged()
{
    if (m_continuation)
        followAuthorization(Undecided::wait);
}

void LocationProvider::followAuthorization(Undecided undecided)
{
    switch (m_manager->authorization()) {
    case Authorization::restricted:
    case Authorization::denied:
        resume(LocationError{Kind::denied});
        break;
    case Authorization::authorized:
        // Also replaces a prompt's time-out: the fix gets its full time from the moment of permission.
        armTimeout(fixTimeout, Kind::fixTimedOut);
        m_manager->requestLocation();
        break;
    case Authorization::notDetermined:
        if (undecided == Undecided::prompt) {
            armTimeout(promptTimeout, Kind::promptTimedOut);
            m_manager->requestWhenInUseAuthorization();
        }
        break;
    }
}

void LocationProvider::locationsUpdated(const QList<LocationCoordinate>& locations)
{
    if (locations.isEmpty())
        resume(LocationError{Kind::unavailable});
    else
        resume(locations.last());
}

void LocationProvider::armTimeout(std::chrono::seconds after, LocationError::Kind error)
{
    m_timeout->stop();
    m_timeoutError = error;
    m_timeout->start(after, Timer::Repeat::once);
}

void LocationProvider::resume(const Result& result)
{
    m_timeout->stop();
    // A position, error or time-out after the request has ended is dropped.
    if (!m_continuation)
        return;
    const Completion continuation = std::exchange(m_continuation, nullptr);
    continuation(result);
}

} // namespace vireon
