// The controller models of the staged USB INF and the choice of the
// connected controller.
#include <cstdio>
#include <memory>

#include "config/ini_file.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {
namespace {

constexpr const char* kAbsent = "nil";
constexpr int kLastModelNumber = 35;

// The model number as two upper-case hexadecimal digits: 10 is "0A".
std::string ModelDigits(int number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(number));
    return digits;
}

// The part of a model value from its first "VID" on; empty when it has none.
std::string HardwareIdOf(const std::string& value) {
    auto vid = value.find("VID");
    return vid == std::string::npos ? std::string() : value.substr(vid);
}

// The first configured product ID found in the hardware ID decides: it must
// stand after the first character.
bool ProductConfigured(const std::vector<std::string>& pidList, const std::string& hardwareId) {
    for (const auto& pid : pidList) {
        if (pid.empty()) continue;
        auto at = hardwareId.find(pid);
        if (at != std::string::npos) return at > 0;
    }
    return false;
}

}  // namespace

void TVEXA_Form1::ReadUsbInfModels() {
    StepCode = 40;
    plat::Os& os = plat::os();
    auto inf = std::make_unique<config::IniFile>(TempDir + "qzusbf.inf");
    Manufacturer = inf->ReadString("Strings", "QZMfg", kAbsent);
    if (Manufacturer == kAbsent) {
        inf.reset();
        os.Ui().ShowInfoBox(UiTexts[8]);
        ExitSetup();
    }
    for (int number = 0; number <= kLastModelNumber; ++number) {
        std::string digits = ModelDigits(number);
        std::string value = inf->ReadString("QZMfg", "%QZUSB_" + digits + "%", kAbsent);
        if (value == kAbsent) {
            // Only a missing second model, with the first present, is an error.
            if (number == 1) {
                inf.reset();
                os.Ui().ShowInfoBox(UiTexts[8]);
                ExitSetup();
            }
            break;
        }
        std::string hardwareId = HardwareIdOf(value);
        if (!ProductConfigured(PidList, hardwareId)) continue;
        HwIdList.push_back(hardwareId);
        HwDescList.push_back(inf->ReadString("strings", "QZUSB_" + digits, "Touch USB"));
    }
    DriverDisplayName = inf->ReadString("QZK_Driver_Service_Inst", "displayname", "Touch screen driver");
}

void TVEXA_Form1::SelectConnectedDevice() {
    StepCode = 41;
    plat::Os& os = plat::os();
    while (true) {
        for (std::size_t i = 0; i < HwIdList.size(); ++i) {
            if (FindHidDevicePath(HwIdList[i]).empty()) continue;
            auto vid = HwIdList[i].find("VID");
            DeviceHwId = vid == std::string::npos ? HwIdList[i] : HwIdList[i].substr(vid);
            DeviceDescText = i < HwDescList.size() ? HwDescList[i] : std::string();
            return;
        }
        if (os.Windows().MessageBoxA(os.Ui().MainWindow(), UiTexts[1], UiTexts[7], plat::kMbOkCancel) !=
            plat::kIdOk)
            ExitSetup();
    }
}

}  // namespace setup
