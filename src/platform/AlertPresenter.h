#pragma once

#include <QString>
#include <functional>

namespace vireon {

// Shows an informational alert and returns at once; `dismissed` runs when the user has closed it.
// Nothing waits for the user: a nested event loop would let timers and clicks run inside a
// half-finished operation. The desktop implementation lives with the widgets; tests dismiss by hand.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    virtual void showInformational(const QString& message, const QString& informativeText,
                                   std::function<void()> dismissed) = 0;
};

} // namespace vireon
