// The controller models of the staged USB INF and the choice of the
// connected controller.
#include "driverpkg/inf_models.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <utility>

#include "config/ini_file.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {
namespace {

// The model number as two upper-case hexadecimal digits: 10 is "0A".
std::string ModelDigits(int number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(number));
    return digits;
}

}  // namespace

std::string ModelKey(int number) {
    return "%QZUSB_" + ModelDigits(number) + "%";
}

std::string ModelDescriptionKey(int number) {
    return "QZUSB_" + ModelDigits(number);
}

std::string HardwareIdOf(const std::string& modelValue) {
    auto vid = modelValue.find("VID");
    return vid == std::string::npos ? std::string() : modelValue.substr(vid);
}

bool IsUsbHardwareId(std::string_view hardwareId) {
    constexpr std::string_view kPattern = "VID_xxxx&PID_xxxx";
    if (hardwareId.size() != kPattern.size()) return false;
    for (std::size_t i = 0; i < kPattern.size(); ++i) {
        if (kPattern[i] == 'x' ? !std::isxdigit(static_cast<unsigned char>(hardwareId[i]))
                               : hardwareId[i] != kPattern[i])
            return false;
    }
    return true;
}

bool ProductConfigured(const std::vector<std::string>& pidList, const std::string& hardwareId) {
    for (const auto& pid : pidList) {
        if (pid.empty()) continue;
        auto at = hardwareId.find(pid);
        if (at != std::string::npos) return at > 0;
    }
    return false;
}

UsbInfReading ReadUsbInf(const config::IniFile& inf, const std::vector<std::string>& pidList) {
    UsbInfReading reading;
    reading.manufacturer = inf.ReadString(kManufacturerSection, kManufacturerKey, kInfAbsent);
    if (reading.manufacturer == kInfAbsent) {
        reading.stops = true;
        return reading;
    }
    for (int number = 0; number <= kLastModelNumber; ++number) {
        std::string value = inf.ReadString(kModelSection, ModelKey(number), kInfAbsent);
        if (value == kInfAbsent) {
            // Only a missing second model, with the first present, is an error.
            reading.stops = number == 1;
            if (reading.stops) return reading;
            break;
        }
        UsbInfModel model;
        model.number = number;
        model.hardwareId = HardwareIdOf(value);
        model.value = std::move(value);
        model.accepted = ProductConfigured(pidList, model.hardwareId);
        if (model.accepted)
            model.description =
                inf.ReadString(kDescriptionSection, ModelDescriptionKey(number), kDefaultDescription);
        reading.models.push_back(std::move(model));
    }
    reading.displayName = inf.ReadString(kServiceSection, kDisplayNameKey, kDefaultDisplayName);
    return reading;
}

void TVEXA_Form1::ReadUsbInfModels() {
    StepCode = 40;
    plat::Os& os = plat::os();
    auto inf = std::make_unique<config::IniFile>(TempDir + "qzusbf.inf");
    const UsbInfReading reading = ReadUsbInf(*inf, PidList);
    Manufacturer = reading.manufacturer;
    for (const UsbInfModel& model : reading.models) {
        if (!model.accepted) continue;
        HwIdList.push_back(model.hardwareId);
        HwDescList.push_back(model.description);
    }
    if (reading.stops) {
        inf.reset();
        os.Ui().ShowInfoBox(UiTexts[8]);
        ExitSetup();
    }
    DriverDisplayName = reading.displayName;
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
