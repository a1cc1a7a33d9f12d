// Driver service and device settings that make Windows load the touch
// drivers, and the user's double-click settings for touch input.
#include "config/ini_file.h"
#include "platform/os.h"
#include "registry/registry_access.h"
#include "shell/form.h"
#include "shell/trace.h"
#include "system/desktop_settings.h"

namespace setup {
namespace {

constexpr const char* kUsbEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
constexpr const char* kMouseKey = "Control Panel\\Mouse";
constexpr const char* kDeviceParameters = "\\Device parameters";
constexpr plat::UInt kUpdateAndBroadcast = plat::kSpifUpdateIniFile | plat::kSpifSendChange;  // 3

// The current local date and time in the user's short-date and long-time formats.
std::string CurrentDateTimeText() {
    plat::SystemApi& system = plat::os().System();
    plat::SystemTime now;
    system.GetLocalTime(&now);
    std::string date, time;
    if (system.GetDateFormatA(plat::kLocaleUserDefault, plat::kDateShortDate, now, "", &date, 80) == 0)
        date.clear();
    if (system.GetTimeFormatA(plat::kLocaleUserDefault, 0, now, "", &time, 80) == 0) time.clear();
    return date + " " + time;
}

void WriteSelectiveSuspend(RegistryAccess& registry, const std::string& instanceKey) {
    if (registry.OpenKey(instanceKey + kDeviceParameters, false)) {
        registry.WriteBinaryData("SelectiveSuspendEnabled", {0x01});
        LogLine("--OK");
    } else {
        LogLine("--Failed");
    }
    registry.CloseKey();
}

// 900 - 100 x [TouchCFG] defaultdblclick milliseconds.
std::int32_t ConfiguredDoubleClickTime(const config::IniFile* setupIni) {
    std::int32_t steps = setupIni ? setupIni->ReadInteger("TouchCFG", "defaultdblclick", 9) : 9;
    return 900 - 100 * steps;
}

}  // namespace

void TVEXA_Form1::SetNtUsbRegistry() {
    StepCode = 53;
    LogLine("Set NT USB Registry for " + DeviceHwId);
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    const std::string hardwareKey = kUsbEnumKey + DeviceHwId;
    // Without a controller the path would name the USB enumerator itself.
    if (!DeviceHwId.empty() && registry.OpenKey(hardwareKey, false)) {
        std::vector<std::string> instances = registry.GetKeyNames();
        registry.CloseKey();
        for (const auto& instance : instances) {
            LogLine("Update key " + instance);
            const std::string instanceKey = hardwareKey + "\\" + instance;
            if (registry.OpenKey(instanceKey, false)) {
                registry.WriteString("LowerFilters", "qzusbf");
                registry.WriteString("DeviceDesc", DeviceDescText);
                LogLine("--OK");
            } else {
                LogLine("--Failed");
            }
            registry.CloseKey();
            if (SetupIni && SetupIni->ReadInteger("System", "EnableC3", 0) == 1)
                WriteSelectiveSuspend(registry, instanceKey);
        }
    } else {
        LogLine("--Error!");
    }

    if (registry.OpenKey("SYSTEM\\CurrentControlSet\\Services\\qzusbf", true)) {
        registry.WriteString("DisplayName", DriverDisplayName);
        registry.WriteString("Group", "Pointer Port");
        registry.WriteExpandString("ImagePath", "System32\\Drivers\\qzusbf.sys");
        registry.WriteInteger("ErrorControl", 0);
        registry.WriteInteger("Start", 3);
        registry.WriteInteger("Tag", 3);
        registry.WriteInteger("Type", 1);
    }
    registry.CloseKey();
    if (registry.OpenKey("SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters", true))
        registry.WriteString("CreationTime", CurrentDateTimeText());
    registry.CloseKey();

    registry.SetRoot(plat::kHkeyCurrentUser);
    if (registry.OpenKey(kMouseKey, true)) {
        registry.WriteString("DoubleClickWidth", "48");
        registry.WriteString("DoubleClickHeight", "48");
        registry.WriteString("DoubleClickSpeed", "900");
        registry.CloseKey();
        plat::SystemApi& system = plat::os().System();
        system.SystemParametersInfoA(plat::kSpiSetDoubleClkWidth, 48, nullptr, kUpdateAndBroadcast);
        system.SystemParametersInfoA(plat::kSpiSetDoubleClkHeight, 48, nullptr, kUpdateAndBroadcast);
    }
    SetDoubleClickSpeed(ConfiguredDoubleClickTime(SetupIni.get()));
}

void TVEXA_Form1::SetC3UsbRegistry() {
    StepCode = 54;
    if (!SetupIni || SetupIni->ReadInteger("System", "EnableC3", 0) != 1) return;
    LogLine("Set USB C3 Registry for " + DeviceHwId);
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyRead);
    const std::string hardwareKey = kUsbEnumKey + DeviceHwId;
    LogLine("Open key=" + hardwareKey);
    if (DeviceHwId.empty() || !registry.OpenKey(hardwareKey, false)) {
        LogLine("--Error!");
        return;
    }
    std::vector<std::string> instances = registry.GetKeyNames();
    registry.CloseKey();
    registry.SetAccess(plat::kKeyWrite);
    for (const auto& instance : instances) {
        LogLine("Update C3 key " + instance);
        WriteSelectiveSuspend(registry, hardwareKey + "\\" + instance);
    }
}

void TVEXA_Form1::SetNtSerialRegistry() {
    StepCode = 55;
    LogLine("Set NT 232 Registry");
    RegistryAccess registry(plat::kHkeyLocalMachine, plat::kKeyAllAccess);
    if (registry.OpenKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", true))
        registry.WriteString("SourcePath", WindowsDir + "\\System32\\Drivers\\");
    registry.CloseKey();
    if (registry.OpenKey("SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters", true))
        registry.WriteString("CreationTime", CurrentDateTimeText());
    registry.CloseKey();
    registry.SetRoot(plat::kHkeyCurrentUser);
    if (registry.OpenKey(kMouseKey, true)) {
        registry.WriteString("DoubleClickWidth", "80");
        registry.WriteString("DoubleClickHeight", "80");
        registry.WriteString("DoubleClickSpeed", "900");
    }
    registry.CloseKey();
    SetDoubleClickSpeed(ConfiguredDoubleClickTime(SetupIni.get()));
}

}  // namespace setup
