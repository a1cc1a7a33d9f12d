// Removal of the touch drivers' registry traces: device enumeration keys,
// driver service keys and the maker's settings key.
#include "registry/registry_access.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {
namespace {

constexpr const char* kMakerKey = "SOFTWARE\\QUOLEX\\USB";
constexpr const char* kEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\";
constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

// The enumeration key of one hardware ID. An empty ID names no device: the
// path would be the whole enumerator's key, with every device of its kind.
void DeleteEnumKey(RegistryAccess& registry, const std::string& enumerator, const std::string& id) {
    if (id.empty()) return;
    registry.DeleteKey(std::string(kEnumKey) + enumerator + "\\" + id);
}

}  // namespace

// Each key is tried in turn; one that is missing or cannot be deleted is passed over.

void TVEXA_Form1::CleanUsbRegistry() {
    StepCode = 57;
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    registry.DeleteKey(kMakerKey);
    for (const auto& id : HwIdList) {
        DeleteEnumKey(registry, "HID", id);
        DeleteEnumKey(registry, "USB", id);
    }
    registry.DeleteKey(std::string(kServicesKey) + "qzusbf");
    registry.DeleteKey(std::string(kServicesKey) + "qzusbuf");
}

void TVEXA_Form1::CleanUsbDeviceRegistry() {
    StepCode = 59;
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    DeleteEnumKey(registry, "HID", DeviceHwId);
}

void TVEXA_Form1::CleanSerialRegistry() {
    StepCode = 63;
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    registry.DeleteKey(kMakerKey);
    for (const auto& id : HwIdList) DeleteEnumKey(registry, "SERENUM", id);
    registry.DeleteKey(std::string(kServicesKey) + "qzusbf");
}

}  // namespace setup
