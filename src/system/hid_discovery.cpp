// HID device discovery: the device path of the first present HID interface
// that matches a hardware-ID text or a vendor and product ID.
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/device_interfaces.h"

namespace setup {
namespace {

constexpr plat::DWord kPresentInterfaces = plat::kDigcfPresent | plat::kDigcfDeviceInterface;  // 0x12
constexpr std::int32_t kMapperVendorId = 0x0D7A;
constexpr std::int32_t kMapperProductId = 0xE7A7;

}  // namespace

std::string TVEXA_Form1::FindHidDevicePath(const std::string& hardwareIdText) {
    StepCode = 18;
    LogLine("Find HID " + hardwareIdText);
    plat::DeviceApi& devices = plat::os().Devices();
    plat::Guid hidGuid;
    devices.HidD_GetHidGuid(&hidGuid);
    plat::Handle set = devices.SetupDiGetClassDevsA(&hidGuid, "", 0, kPresentInterfaces);
    if (set == plat::kInvalidHandle) return {};
    // Windows reports interface paths in lower case; the test is case-sensitive.
    const std::string wanted = LowerAscii(hardwareIdText);
    std::string result;
    for (plat::DWord index = 0;; ++index) {
        plat::DeviceInterfaceData data;
        data.cbSize = plat::kDeviceInterfaceDataSize32;
        if (!devices.SetupDiEnumDeviceInterfaces(set, nullptr, hidGuid, index, &data)) break;
        std::optional<std::string> path = FetchInterfacePath(set, data);
        if (path && path->find(wanted) != std::string::npos) {
            result = *path;
            break;
        }
    }
    devices.SetupDiDestroyDeviceInfoList(set);
    return result;
}

std::string TVEXA_Form1::FindHidMapper(std::int32_t vendorId, std::int32_t productId) {
    StepCode = 17;
    if (vendorId == 0) vendorId = kMapperVendorId;
    if (productId == 0) productId = kMapperProductId;
    plat::Os& os = plat::os();
    plat::DeviceApi& devices = os.Devices();
    plat::Guid hidGuid;
    devices.HidD_GetHidGuid(&hidGuid);
    plat::Handle set = devices.SetupDiGetClassDevsA(&hidGuid, "", 0, kPresentInterfaces);
    if (set == plat::kInvalidHandle) return {};
    std::string result;
    for (plat::DWord index = 0; result.empty(); ++index) {
        plat::DeviceInterfaceData data;
        data.cbSize = plat::kDeviceInterfaceDataSize32;
        if (!devices.SetupDiEnumDeviceInterfaces(set, nullptr, hidGuid, index, &data)) break;
        std::optional<std::string> path = FetchInterfacePath(set, data);
        if (!path) continue;
        // No access rights asked for: the attributes can be read from a device
        // that another program holds open, a mouse or keyboard included.
        plat::Handle device = plat::os().Files().CreateFileA(
            *path, 0, plat::kFileShareRead | plat::kFileShareWrite, plat::kOpenExisting, 0);
        if (device == plat::kInvalidHandle) continue;
        plat::HiddAttributes attributes;
        attributes.size = plat::kHiddAttributesSize;
        bool read = devices.HidD_GetAttributes(device, &attributes) != 0;
        os.Processes().CloseHandle(device);
        if (read && attributes.vendorId == vendorId && attributes.productId == productId) {
            LogLine("Found HID mapper at =" + *path);
            result = *path;
        }
    }
    devices.SetupDiDestroyDeviceInfoList(set);
    return result;
}

}  // namespace setup
