#pragma once

#include "platform/AlertPresenter.h"

namespace vireon {

// An application-modal message box opened with open(), never exec().
class MessageBoxAlertPresenter final : public AlertPresenter {
public:
    void showInformational(const QString& message, const QString& informativeText,
                           std::function<void()> dismissed) override;
};

} // namespace vireon
