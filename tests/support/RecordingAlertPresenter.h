#pragma once

#include "platform/AlertPresenter.h"

#include <QList>
#include <QPair>
#include <functional>

namespace vireon::test {

// Records each alert and keeps it open until the test dismisses it.
class RecordingAlertPresenter final : public AlertPresenter {
public:
    void showInformational(const QString& message, const QString& informativeText,
                           std::function<void()> dismissed) override
    {
        alerts.append({message, informativeText});
        m_open.append(std::move(dismissed));
    }

    bool isOpen() const { return !m_open.isEmpty(); }
    void dismissAll()
    {
        const auto open = std::exchange(m_open, {});
        for (const auto& dismissed : open)
            dismissed();
    }

    QList<QPair<QString, QString>> alerts;

private:
    QList<std::function<void()>> m_open;
};

} // namespace vireon::test
