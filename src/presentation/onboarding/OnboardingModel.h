#pragma once

#include <QString>

namespace vireon {

// The onboarding flow's pages, in order.
enum class OnboardingStep { device = 0, location = 1, done = 2 };

// The header's step counter and the footer's buttons for a page of the flow.
struct OnboardingModel {
    QString stepCounter;
    bool back = false;
    bool continueShown = false;
    bool continueEnabled = false;
    bool continueAnyway = false;
    bool finish = false;

    bool operator==(const OnboardingModel&) const = default;

    // devicesFound: the last probe found a stick; locationParsed: the position fields read as one.
    static OnboardingModel make(OnboardingStep step, bool devicesFound, bool locationParsed);

    static OnboardingStep previous(OnboardingStep step);
    static OnboardingStep next(OnboardingStep step);
};

} // namespace vireon
