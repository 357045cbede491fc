#pragma once

#include "presentation/settings/SettingsModel.h"

#include <QGroupBox>

class QCheckBox;

namespace vireon {

class AppState;

// "Behavior": the two switches kept in the application's own settings.
class BehaviorSection : public QGroupBox {
    Q_OBJECT
public:
    explicit BehaviorSection(AppState& state, QWidget* parent = nullptr);

    void display(const SettingsModel::Behavior& model);

private:
    QCheckBox* m_launchAtLogin;
    QCheckBox* m_preventSleep;
    QCheckBox* m_notify;
};

} // namespace vireon
