#pragma once

#include "platform/AlertPresenter.h"

#include <QList>
#include <QPair>

namespace vireon::test {

// Records each alert and returns at once, as if the user had dismissed it straight away.
class RecordingAlertPresenter final : public AlertPresenter {
public:
    void showInformational(const QString& message, const QString& informativeText) override
    {
        alerts.append({message, informativeText});
    }

    QList<QPair<QString, QString>> alerts;
};

} // namespace vireon::test
