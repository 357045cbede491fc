#include "location/LocationError.h"

namespace vireon {

// The messages name another desktop's settings; they stay word for word on every desktop.
QString LocationError::errorDescription() const
{
    switch (kind) {
    case Kind::denied:
        return QStringLiteral(
            "Location access was denied. Enter coordinates manually, or allow access in System "
            "Settings \u2192 Privacy & Security \u2192 Location Services.");
    case Kind::unavailable:
        return QStringLiteral("Couldn't determine your location. Enter coordinates manually.");
    case Kind::promptTimedOut:
        return QStringLiteral(
            "macOS never answered the location permission request. Check System Settings "
            "\u2192 Privacy & Security \u2192 Location Services, or enter coordinates manually.");
    case Kind::fixTimedOut:
        return QStringLiteral("Timed out waiting for a location fix. Enter coordinates manually.");
    case Kind::busy:
        return QStringLiteral("A location request is already in progress.");
    }
    return {};
}

} // namespace vireon
