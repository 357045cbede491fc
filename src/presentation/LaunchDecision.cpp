#include "presentation/LaunchDecision.h"

namespace vireon {

LaunchDecision launchDecision(bool onboardingCompleted, bool feedingDesired)
{
    // A feedingDesired left over from an earlier install must not start a decoder before the user
    // has been through onboarding.
    if (!onboardingCompleted)
        return LaunchDecision::showOnboarding;
    return feedingDesired ? LaunchDecision::startFeeding : LaunchDecision::stayIdle;
}

} // namespace vireon
