// The RS-232 product install: every trace of an earlier serial touch driver
// that Windows keeps is removed, then the RS-232 file set, its registry
// settings and the shortcuts are put in place.
#include <string>
#include <vector>

#include "platform/wintypes.h"
#include "registry/device_operations.h"
#include "registry/registry_access.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/device_interfaces.h"

namespace setup {
namespace {

constexpr const char* kMouseClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96F-E325-11CE-BFC1-08002BE10318}";

// The mouse-class drivers installed from the serial touch driver's own INF.
void RemoveMouseClassDrivers(TVEXA_Form1& form) {
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    if (!registry.OpenKey(kMouseClassKey, false)) return;
    const std::vector<std::string> drivers = registry.GetKeyNames();
    registry.CloseKey();
    for (const std::string& driver : drivers) {
        const std::string key = std::string(kMouseClassKey) + "\\" + driver;
        if (!registry.OpenKey(key, false)) continue;
        // Another driver's key may hold the value with another type; that
        // driver is not ours and the scan goes on.
        std::optional<std::string> infPath = registry.ReadString("InfPath");
        registry.CloseKey();
        if (!infPath) {
            form.LogLine("Skipped " + key);
            continue;
        }
        if (LowerAscii(*infPath) == "qz232.inf") registry.DeleteKey(key);
    }
}

// The serial enumerator's device instances that name the serial touch
// driver's service, in the three saved control sets.
void RemoveSerialEnumeratorInstances(TVEXA_Form1& form) {
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    for (int set = 1; set <= 3; ++set) {
        for (int model = 1; model <= 3; ++model) {
            const std::string deviceKey = "SYSTEM\\ControlSet00" + std::to_string(set) +
                                          "\\Enum\\SERENUM\\QVR000" + std::to_string(model);
            if (!registry.OpenKey(deviceKey, false)) continue;
            const std::vector<std::string> instances = registry.GetKeyNames();
            registry.CloseKey();
            for (const std::string& instance : instances) {
                const std::string key = deviceKey + "\\" + instance;
                if (!registry.OpenKey(key, false)) continue;
                std::optional<std::string> service = registry.ReadString("Service");
                registry.CloseKey();
                if (!service) {
                    form.LogLine("Skipped " + key);
                    continue;
                }
                if (LowerAscii(*service) == "qz232") registry.DeleteKey(key);
            }
        }
    }
}

}  // namespace

bool TVEXA_Form1::InstallSerialProduct() {
    StepCode = 71;
    LogLine("Start install 232");
    HwIdList = {"QVR0001", "QVR0002", "QVR0003"};
    RemoveOemInfsSerial(true);
    for (const std::string& id : HwIdList) RemoveDevicesByHwId("SERENUM\\" + id);
    RemoveMouseClassDrivers(*this);
    RemoveSerialEnumeratorInstances(*this);
    CopyNtSerialFiles();
    SetNtSerialRegistry();
    CreateLinks();
    HwIdList.clear();
    return true;
}

}  // namespace setup
