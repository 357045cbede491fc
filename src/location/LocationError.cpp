#include "location/LocationError.h"

namespace vireon {

// The messages name no particular desktop: every Linux desktop keeps its privacy settings elsewhere.
QString LocationError::errorDescription() const
{
    switch (kind) {
    case Kind::denied:
        return QStringLiteral("Location access was denied. Enter coordinates manually, or allow location "
                              "access in your desktop's privacy settings.");
    case Kind::unavailable:
        return QStringLiteral("Couldn't determine your location. Enter coordinates manually.");
    case Kind::promptTimedOut:
        return QStringLiteral("The system never answered the location permission request. Check your "
                              "desktop's privacy settings, or enter coordinates manually.");
    case Kind::fixTimedOut:
        return QStringLiteral("Timed out waiting for a location fix. Enter coordinates manually.");
    case Kind::busy:
        return QStringLiteral("A location request is already in progress.");
    }
    return {};
}

} // namespace vireon
