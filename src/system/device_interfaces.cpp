#include "system/device_interfaces.h"

#include "platform/os.h"

namespace setup {

std::optional<std::string> FetchInterfacePath(plat::Handle set, const plat::DeviceInterfaceData& data,
                                              plat::DevInfoData* device) {
    plat::Os& os = plat::os();
    plat::DeviceApi& devices = os.Devices();
    plat::DWord size = 0;
    if (devices.SetupDiGetDeviceInterfaceDetailA(set, data, nullptr, 0, &size, nullptr) || size == 0 ||
        os.GetLastError() != plat::kErrorInsufficientBuffer)
        return std::nullopt;
    plat::DeviceInterfaceDetail detail;
    detail.cbSize = plat::kDeviceInterfaceDetailSize32;
    if (device) device->cbSize = plat::kDevInfoDataSize32;
    if (!devices.SetupDiGetDeviceInterfaceDetailA(set, data, &detail, size, nullptr, device))
        return std::nullopt;
    return detail.devicePath;
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace setup
