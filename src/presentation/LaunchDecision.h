#pragma once

namespace vireon {

// What happens once the event loop runs after launch: a first-time user is shown onboarding before
// anything starts; otherwise the feed resumes if the user left it on.
enum class LaunchDecision { showOnboarding, startFeeding, stayIdle };
LaunchDecision launchDecision(bool onboardingCompleted, bool feedingDesired);

} // namespace vireon
