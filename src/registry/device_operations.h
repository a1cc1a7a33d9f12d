// Device-level operations through the Setup API: stale device removal, the
// USB filter driver, disable and enable, and a driver update from an INF.
// Each picks its devices by a hardware-ID text; an empty text picks none.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

// Removes every device, connected or not, whose hardware-ID list contains
// `hwId` (letter case aside), the last found first.
void RemoveDevicesByHwId(const std::string& hwId);
// Removes every device whose first hardware ID contains `hwId` and "&MI_0"
// and whose setup class name contains "HIDCLASS" (letter case aside).
void RemoveHidInterfaceDevices(const std::string& hwId);
// Installs the driver of `infPath` for the devices with hardware ID `hwId`
// when it is a better match than their current one. True when it did;
// `rebootRequired` is then set as Windows answers, and left alone otherwise.
bool UpdatePnpDriver(const std::string& hwId, const std::string& infPath, bool& rebootRequired);
// Gives each connected USB device whose interface path contains `hwId` in
// lower case the lower filter "qzusbf" and the friendly name `friendlyName`
// (the controller's description). True when at least one got both.
bool InstallFilterDriver(const std::string& hwId, const std::string& friendlyName);
// Asks the class installer to disable (state 2) or enable (state 1) each USB
// device, connected or not, whose interface path contains `hwId` in lower
// case. True when at least one state change succeeded.
bool SetDev32(const std::string& hwId, std::int32_t state);

}  // namespace setup
