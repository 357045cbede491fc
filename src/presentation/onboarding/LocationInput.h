#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace vireon {

// How the onboarding position fields read what is typed, and what they say about it.
struct LocationInput {
    LocationInput() = delete;

    struct Position {
        double latitude = 0;
        double longitude = 0;
        // Metres above sea level; absent when the optional field is left blank.
        std::optional<double> altitude{};
        bool operator==(const Position&) const = default;
    };

    // Spaces and tabs at both ends go, every "," becomes "."; the rest must be a whole decimal
    // number. Absent when either does not parse, is out of range (|lat| > 90, |lon| > 180), or both
    // are exactly 0 (the unset position).
    // An altitude that is typed must read as metres between −420 and 5100, or there is no position.
    static std::optional<Position> parsed(const QString& latitudeText, const QString& longitudeText,
                                          const QString& altitudeText = {});

    // What is wrong with the position as typed, said under the field it concerns; nothing for an
    // empty field, which only keeps "Continue" disabled.
    struct Problems {
        std::optional<QString> latitude;
        std::optional<QString> longitude;
        // Both fields read, but together they are the unset position.
        std::optional<QString> position;
        std::optional<QString> altitude;
        bool operator==(const Problems&) const = default;
    };
    static Problems problems(const QString& latitudeText, const QString& longitudeText,
                             const QString& altitudeText = {});

    // The texts the fields take from a stored position; absent for the unset position (both 0).
    static std::optional<std::pair<QString, QString>> prefill(double lat, double lon);
    // The altitude field's text for a stored altitude: blank for none.
    static QString altitudePrefill(const std::optional<double>& metres);
};

} // namespace vireon
