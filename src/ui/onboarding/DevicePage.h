#pragma once

#include "decoder/RTLDeviceProbe.h"

#include <QWidget>

class QVBoxLayout;

namespace vireon {

// Step 1: finds the receiver stick. Only informs: nothing about the devices found is stored.
class DevicePage : public QWidget {
    Q_OBJECT
public:
    explicit DevicePage(QString usbRoot, QWidget* parent = nullptr);

    // Probes USB on the main thread and redraws; run each time the page comes on screen and by "Rescan".
    void probe();

    const QList<RTLDeviceProbe::Device>& foundDevices() const { return m_foundDevices; }
    bool probed() const { return m_probed; }

Q_SIGNALS:
    void devicesChanged();

private:
    void showDevices();

    QString m_usbRoot;
    QList<RTLDeviceProbe::Device> m_foundDevices;
    bool m_probed = false;
    QWidget* m_display = nullptr;
    QVBoxLayout* m_displayLayout = nullptr;
};

} // namespace vireon
