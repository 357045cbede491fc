#pragma once

#include "platform/UsbMonitor.h"

namespace vireon::test {

// The system's USB events, told by the test.
class FakeUsbMonitor final : public UsbMonitor {
    Q_OBJECT
public:
    using UsbMonitor::UsbMonitor;
    void plugged() { Q_EMIT deviceChanged(true); }
    void unplugged() { Q_EMIT deviceChanged(false); }
};

} // namespace vireon::test
