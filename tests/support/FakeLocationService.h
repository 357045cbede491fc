#pragma once

#include "platform/LocationService.h"

namespace vireon::test {

// A location service driven by hand: the test sets the authorisation and delivers the answers; the
// fake only counts what it was asked.
class FakeLocationService final : public LocationService {
    Q_OBJECT
public:
    using LocationService::LocationService;

    void setDesiredAccuracy(double metres) override { desiredAccuracy = metres; }
    Authorization authorization() const override { return status; }
    void requestWhenInUseAuthorization() override { ++authorizationRequests; }
    void requestLocation() override { ++locationRequests; }

    // The user's answer to the prompt: the new status, then the callback.
    void decide(Authorization decided)
    {
        status = decided;
        Q_EMIT authorizationChanged();
    }
    void deliver(const QList<LocationCoordinate>& locations) { Q_EMIT locationsUpdated(locations); }
    void fail() { Q_EMIT failed(); }

    Authorization status = Authorization::authorized;
    double desiredAccuracy = 0;
    int authorizationRequests = 0;
    int locationRequests = 0;
};

} // namespace vireon::test
