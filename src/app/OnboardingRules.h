#pragma once

#include "app/StatusIcon.h"
#include "network/FeederConfig.h"

#include <QString>
#include <optional>

namespace vireon {

// The onboarding flow's pages, in order.
enum class OnboardingStep { device = 0, location = 1, done = 2 };

// What the onboarding pages decide without a widget: which buttons show and work, how the position
// fields read and are filled, and the texts built from values.
struct OnboardingRules {
    OnboardingRules() = delete;

    struct Position {
        double latitude = 0;
        double longitude = 0;
        bool operator==(const Position&) const = default;
    };

    // Spaces and tabs at both ends go, every "," becomes "."; the rest must be a whole decimal
    // number. Absent when either does not parse, is out of range (|lat| > 90, |lon| > 180), or both
    // are exactly 0 (the unset position).
    static std::optional<Position> parsedLocation(const QString& latitudeText, const QString& longitudeText);

    // What is wrong with the position as typed, said under the field it concerns; nothing for an
    // empty field, which only keeps "Continue" disabled.
    struct PositionProblems {
        std::optional<QString> latitude;
        std::optional<QString> longitude;
        // Both fields read, but together they are the unset position.
        std::optional<QString> position;
        bool operator==(const PositionProblems&) const = default;
    };
    static PositionProblems positionProblems(const QString& latitudeText, const QString& longitudeText);

    // "%.6f" in the C locale.
    static QString coordinateText(double degrees);
    // The texts the location fields take from a stored position; absent for the unset position (both 0).
    static std::optional<std::pair<QString, QString>> prefill(double lat, double lon);

    static QString stepCounter(OnboardingStep step);
    static OnboardingStep previous(OnboardingStep step);
    static OnboardingStep next(OnboardingStep step);

    struct Footer {
        bool back = false;
        bool continueShown = false;
        bool continueEnabled = false;
        bool continueAnyway = false;
        bool finish = false;
        bool operator==(const Footer&) const = default;
    };
    static Footer footer(OnboardingStep step, bool devicesFound, bool locationParsed);

    enum class DeviceDisplay { looking, noDevice, devices };
    static DeviceDisplay deviceDisplay(bool probed, bool devicesFound);
    // "USB %04x:%04x".
    static QString usbIdentifiers(qint64 vendorID, qint64 productID);

    // The done page's status dot: green while feeding, red on an error, orange otherwise.
    static StatusIcon::State statusDot(StatusIcon::State iconState);

    // The claim link, only when the remote configuration links a claim page.
    static std::optional<QUrl> claimLink(const std::optional<FeederConfig::Links>& links);

    static QString websiteHost();
    static QString claimLinkLabel();
    static QString stationKeyHint();
};

} // namespace vireon
