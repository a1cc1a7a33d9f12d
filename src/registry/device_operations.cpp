#include "registry/device_operations.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/os.h"
#include "shell/trace.h"
#include "system/device_interfaces.h"

namespace setup {
namespace {

constexpr plat::DWord kAllDevices = plat::kDigcfAllClasses | plat::kDigcfProfile;                // 0x0C
constexpr plat::DWord kConnectedInterfaces = plat::kDigcfDeviceInterface | plat::kDigcfPresent;  // 0x12
constexpr plat::DWord kAllInterfaces = plat::kDigcfDeviceInterface | plat::kDigcfProfile;        // 0x18
constexpr std::size_t kHardwareIdBuffer = 4096;
constexpr plat::DWord kHardwareIdDeclared = 4090;
constexpr std::size_t kClassBuffer = 256;
constexpr plat::DWord kClassDeclared = 255;

// The text a zero-filled buffer holds up to its first NUL.
std::string FirstText(const std::vector<std::uint8_t>& buffer) {
    auto end = std::find(buffer.begin(), buffer.end(), std::uint8_t{0});
    return std::string(buffer.begin(), end);
}

// Calls `treat` with the path and device of every interface of the set.
template <class Treat>
void ForEachInterface(plat::Handle set, const plat::Guid& guid, Treat treat) {
    plat::DeviceApi& devices = plat::os().Devices();
    for (plat::DWord index = 0;; ++index) {
        plat::DeviceInterfaceData data;
        data.cbSize = plat::kDeviceInterfaceDataSize32;
        if (!devices.SetupDiEnumDeviceInterfaces(set, nullptr, guid, index, &data)) return;
        plat::DevInfoData device;
        if (std::optional<std::string> path = FetchInterfacePath(set, data, &device)) treat(*path, device);
    }
}

}  // namespace

void RemoveDevicesByHwId(const std::string& hwId) {
    StepCode = 8;
    if (hwId.empty()) return;
    plat::DeviceApi& devices = plat::os().Devices();
    plat::Handle set = devices.SetupDiGetClassDevsA(nullptr, "", 0, kAllDevices);
    if (set == plat::kInvalidHandle) return;
    const std::string wanted = UpperAscii(hwId);
    std::vector<std::uint8_t> buffer(kHardwareIdBuffer, 0);
    // Every match is kept: a stale node left behind is what this removal prevents.
    std::vector<plat::DevInfoData> matches;
    plat::DevInfoData device;
    device.cbSize = plat::kDevInfoDataSize32;
    for (plat::DWord index = 0; devices.SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        plat::DWord type = 0, size = 0;
        if (!devices.SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpHardwareId, &type,
                                                       buffer.data(), kHardwareIdDeclared, &size))
            continue;
        std::string ids(buffer.begin(), buffer.begin() + std::min<plat::DWord>(size, kHardwareIdDeclared));
        if (UpperAscii(ids).find(wanted) != std::string::npos) matches.push_back(device);
    }
    for (auto it = matches.rbegin(); it != matches.rend(); ++it) devices.SetupDiRemoveDevice(set, *it);
    devices.SetupDiDestroyDeviceInfoList(set);
}

void RemoveHidInterfaceDevices(const std::string& hwId) {
    StepCode = 9;
    if (hwId.empty()) return;
    plat::DeviceApi& devices = plat::os().Devices();
    plat::Handle set = devices.SetupDiGetClassDevsA(nullptr, "", 0, kAllDevices);
    if (set == plat::kInvalidHandle) return;
    const std::string wanted = UpperAscii(hwId);
    std::vector<std::uint8_t> ids(kHardwareIdBuffer, 0);
    std::vector<std::uint8_t> className(kClassBuffer, 0);
    plat::DevInfoData device;
    device.cbSize = plat::kDevInfoDataSize32;
    for (plat::DWord index = 0; devices.SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        if (!devices.SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpHardwareId, nullptr,
                                                       ids.data(), kHardwareIdDeclared, nullptr))
            continue;
        std::string firstId = UpperAscii(FirstText(ids));
        if (firstId.find(wanted) == std::string::npos) continue;
        std::fill(className.begin(), className.end(), std::uint8_t{0});
        if (!devices.SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpClass, nullptr,
                                                       className.data(), kClassDeclared, nullptr))
            std::fill(className.begin(), className.end(), std::uint8_t{0});
        if (UpperAscii(FirstText(className)).find("HIDCLASS") != std::string::npos &&
            firstId.find("&MI_0") != std::string::npos)
            devices.SetupDiRemoveDevice(set, device);
    }
    devices.SetupDiDestroyDeviceInfoList(set);
}

bool UpdatePnpDriver(const std::string& hwId, const std::string& infPath, bool& rebootRequired) {
    StepCode = 10;
    plat::Os& os = plat::os();
    plat::DeviceApi& devices = os.Devices();
    plat::Handle newdev = os.Libraries().LoadLibraryA("newdev.dll");
    if (newdev == 0) return false;
    plat::ProcAddress update = os.Libraries().GetProcAddress(newdev, "UpdateDriverForPlugAndPlayDevicesA");
    if (update == 0) return false;
    plat::Guid classGuid;
    std::string className;
    plat::DWord needed = 0;
    if (!devices.SetupDiGetINFClassA(infPath, &classGuid, &className, 256, &needed)) return false;
    plat::Handle list = devices.SetupDiCreateDeviceInfoList(&classGuid, 0);
    if (list == plat::kInvalidHandle) return false;
    bool result = false;
    plat::Bool reboot = rebootRequired ? 1 : 0;
    if (devices.CallUpdateDriverForPlugAndPlayDevicesA(update, 0, hwId, infPath, 0, &reboot)) {
        LogLine("UpdatePnP OK!");
        rebootRequired = reboot != 0;
        result = true;
    } else {
        LogLine("UpdatePnP failed=" + std::to_string(os.GetLastError()));
    }
    devices.SetupDiDestroyDeviceInfoList(list);
    return result;
}

bool InstallFilterDriver(const std::string& hwId, const std::string& friendlyName) {
    StepCode = 11;
    LogLine("Install FilterDRV");
    plat::DeviceApi& devices = plat::os().Devices();
    plat::Handle set =
        devices.SetupDiGetClassDevsA(&plat::kGuidDevInterfaceUsbDevice, "", 0, kConnectedInterfaces);
    if (set == plat::kInvalidHandle) return false;
    const std::string wanted = LowerAscii(hwId);
    static const std::uint8_t kFilters[8] = {'q', 'z', 'u', 's', 'b', 'f', 0, 0};
    std::vector<std::uint8_t> name(friendlyName.begin(), friendlyName.end());
    name.push_back(0);
    bool result = false;
    ForEachInterface(
        set, plat::kGuidDevInterfaceUsbDevice, [&](const std::string& path, const plat::DevInfoData& device) {
            if (wanted.empty() || path.find(wanted) == std::string::npos) return;
            if (devices.SetupDiSetDeviceRegistryPropertyA(set, device, plat::kSpdrpLowerFilters, kFilters,
                                                          sizeof kFilters) &&
                devices.SetupDiSetDeviceRegistryPropertyA(set, device, plat::kSpdrpFriendlyName, name.data(),
                                                          static_cast<plat::DWord>(name.size())))
                result = true;
        });
    devices.SetupDiDestroyDeviceInfoList(set);
    LogLine(result ? "--OK" : "--Failed");
    return result;
}

bool SetDev32(const std::string& hwId, std::int32_t state) {
    StepCode = 12;
    LogLine("SetDev32=" + hwId + " to " + std::to_string(state));
    plat::Os& os = plat::os();
    plat::DeviceApi& devices = os.Devices();
    plat::Handle set = devices.SetupDiGetClassDevsA(&plat::kGuidDevInterfaceUsbDevice, "", 0, kAllInterfaces);
    if (set == plat::kInvalidHandle) return false;
    const std::string wanted = LowerAscii(hwId);
    bool result = false;
    ForEachInterface(
        set, plat::kGuidDevInterfaceUsbDevice, [&](const std::string& path, const plat::DevInfoData& device) {
            if (wanted.empty() || path.find(wanted) == std::string::npos) return;
            plat::PropChangeParams change;
            change.headerSize = plat::kClassInstallHeaderSize;
            change.installFunction = plat::kDifPropertyChange;
            change.stateChange = static_cast<plat::DWord>(state);
            change.scope = plat::kDicsFlagGlobal;
            change.hwProfile = 0;
            if (!devices.SetupDiSetClassInstallParamsA(set, &device, &change, plat::kPropChangeParamsSize))
                return;
            if (devices.SetupDiCallClassInstaller(plat::kDifPropertyChange, set, &device)) {
                result = true;
                LogLine("--OK");
            } else {
                char code[16];
                std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(os.GetLastError()));
                LogLine(std::string("--Failed=") + code);
            }
        });
    devices.SetupDiDestroyDeviceInfoList(set);
    return result;
}

}  // namespace setup
