#pragma once

#include "platform/AlertPresenter.h"

namespace vireon {

class MessageBoxAlertPresenter final : public AlertPresenter {
public:
    void showInformational(const QString& message, const QString& informativeText) override;
};

} // namespace vireon
