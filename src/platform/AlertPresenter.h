#pragma once

#include <QString>

namespace vireon {

// Shows a modal informational alert and returns once the user has dismissed it. The desktop
// implementation lives with the widgets; tests put a recorder in its place so nothing blocks.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    virtual void showInformational(const QString& message, const QString& informativeText) = 0;
};

} // namespace vireon
