#pragma once

#include <QList>
#include <QObject>

namespace vireon {

// A position as the location service reports it: degrees, north and east positive.
struct LocationCoordinate {
    double latitude = 0;
    double longitude = 0;
    bool operator==(const LocationCoordinate&) const = default;
};

// The platform's location service as the one-shot provider needs it: the application's authorisation,
// a request for authorisation, a request for one position, and three answers. Answers arrive on the
// main thread, later than the request that caused them.
class LocationService : public QObject {
    Q_OBJECT
public:
    enum class Authorization { notDetermined, restricted, denied, authorized };

    using QObject::QObject;
    ~LocationService() override = default;

    virtual void setDesiredAccuracy(double metres) = 0;
    virtual Authorization authorization() const = 0;
    // Asks the user to allow location while the application is in use; answered by
    // authorizationChanged().
    virtual void requestWhenInUseAuthorization() = 0;
    // Asks for one position; answered by locationsUpdated() or failed().
    virtual void requestLocation() = 0;

Q_SIGNALS:
    void authorizationChanged();
    // Oldest first; may be empty.
    void locationsUpdated(const QList<vireon::LocationCoordinate>& locations);
    void failed();
};

} // namespace vireon
