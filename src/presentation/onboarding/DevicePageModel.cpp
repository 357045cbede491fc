#include "presentation/onboarding/DevicePageModel.h"

#include "app/AppState.h"

namespace vireon {

DevicePageModel DevicePageModel::make(bool probed, const QList<RTLDeviceProbe::Device>& found)
{
    DevicePageModel model;
    if (!probed)
        return model;
    model.display = found.isEmpty() ? Display::noDevice : Display::devices;
    for (const RTLDeviceProbe::Device& device : found) {
        model.devices.append(
            Device{device.name,
                   QString::asprintf("USB %04llx:%04llx", static_cast<unsigned long long>(device.vendorID),
                                     static_cast<unsigned long long>(device.productID))});
    }
    return model;
}

DevicePageModel DevicePageModel::probe(const AppState& state)
{
    return make(true, RTLDeviceProbe::findDevices(state.usbRoot()));
}

} // namespace vireon
