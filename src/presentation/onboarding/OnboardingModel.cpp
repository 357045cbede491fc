#include "presentation/onboarding/OnboardingModel.h"

namespace vireon {

OnboardingModel OnboardingModel::make(OnboardingStep step, bool devicesFound, bool locationParsed)
{
    OnboardingModel model;
    model.stepCounter = QStringLiteral("Step %1 of 3").arg(int(step) + 1);
    model.back = step != OnboardingStep::device;
    switch (step) {
    case OnboardingStep::device:
        // Without a stick the user may still go on; "Continue" waits for one.
        model.continueShown = true;
        model.continueEnabled = devicesFound;
        model.continueAnyway = !devicesFound;
        break;
    case OnboardingStep::location:
        model.continueShown = true;
        model.continueEnabled = locationParsed;
        break;
    case OnboardingStep::done:
        model.finish = true;
        break;
    }
    return model;
}

OnboardingStep OnboardingModel::previous(OnboardingStep step)
{
    return step == OnboardingStep::done ? OnboardingStep::location : OnboardingStep::device;
}

OnboardingStep OnboardingModel::next(OnboardingStep step)
{
    return step == OnboardingStep::device ? OnboardingStep::location : OnboardingStep::done;
}

} // namespace vireon
