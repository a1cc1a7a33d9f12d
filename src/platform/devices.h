// Devices and driver packages: the Setup API (setupapi), the HID library (hid)
// and the driver update of newdev, one method per call.
#pragma once

#include <string>

#include "platform/wintypes.h"

namespace plat {

class DeviceApi {
public:
    virtual ~DeviceApi() = default;
};

}  // namespace plat
