#pragma once

#include "presentation/onboarding/DevicePageModel.h"

#include <QWidget>

class QVBoxLayout;

namespace vireon {

class AppState;

// Step 1: finds the receiver stick. Only informs: nothing about the devices found is stored.
class DevicePage : public QWidget {
    Q_OBJECT
public:
    explicit DevicePage(const AppState& state, QWidget* parent = nullptr);

    // Probes USB on the main thread and redraws; run each time the page comes on screen and by "Rescan".
    void probe();

    bool devicesFound() const { return m_model.display == DevicePageModel::Display::devices; }

Q_SIGNALS:
    void devicesChanged();

private:
    void showDevices();

    const AppState& m_state;
    DevicePageModel m_model;
    QWidget* m_display = nullptr;
    QVBoxLayout* m_displayLayout = nullptr;
};

} // namespace vireon
