#include "procedures/touch_defaults.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "config/calibration.h"
#include "config/ini_file.h"
#include "registry/registry_access.h"
#include "shell/form.h"

namespace setup {
namespace {

struct ProductCalibration {
    std::string_view section;
    const char* calibrationKey;
    const char* parametersKey;
    std::int32_t coordinateMaximum;
};

constexpr ProductCalibration kUsbCalibration{
    config::kUsbCalibrationSection, "SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters0",
    "SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters", 0x7FFF};
constexpr ProductCalibration kSerialCalibration{
    config::kSerialCalibrationSection, "SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters0",
    "SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters", 0xFFFF};
constexpr const char* kVirtualTouchParameters = "SYSTEM\\CurrentControlSet\\Services\\vtouch\\Parameters";

std::vector<std::uint8_t> Int32Bytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::vector<std::uint8_t> TableBytes(const std::array<std::int32_t, config::kMaxCalibrationPoints>& table) {
    std::vector<std::uint8_t> bytes;
    for (std::int32_t value : table) {
        std::vector<std::uint8_t> entry = Int32Bytes(value);
        bytes.insert(bytes.end(), entry.begin(), entry.end());
    }
    return bytes;
}

}  // namespace

void WriteTouchParameterDefaults(TVEXA_Form1& form, RegistryAccess& registry) {
    const config::IniFile& ini = *form.SetupIni;
    const ProductCalibration& product = form.ProductKind == 1 ? kSerialCalibration : kUsbCalibration;
    const config::CalibrationDefaults calibration = config::ReadCalibrationDefaults(ini, product.section);
    if (calibration.points <= 0) return;
    const auto& [sx, sy, ux, uy] = calibration.tables;

    form.LogLine("Write default value!");
    if (!registry.OpenKey(product.calibrationKey, true)) {
        form.LogLine("--Failed!");
        return;
    }
    registry.WriteString("Notes", "Default value");
    registry.WriteBinaryData("MAX_POINT", Int32Bytes(calibration.points));
    registry.WriteBinaryData("WidthResolution", Int32Bytes(calibration.widthResolution));
    registry.WriteBinaryData("HeightResolution", Int32Bytes(calibration.heightResolution));
    registry.WriteBinaryData("ScreenUpperLeftx", Int32Bytes(0));
    registry.WriteBinaryData("ScreenUpperLefty", Int32Bytes(0));
    registry.WriteBinaryData("ScreenLowerRightx", Int32Bytes(product.coordinateMaximum));
    registry.WriteBinaryData("ScreenLowerRighty", Int32Bytes(product.coordinateMaximum));
    registry.WriteBinaryData("SX", TableBytes(sx));
    registry.WriteBinaryData("SY", TableBytes(sy));
    registry.WriteBinaryData("UX", TableBytes(ux));
    registry.WriteBinaryData("UY", TableBytes(uy));
    registry.WriteBinaryData("NSX", TableBytes(sx));
    registry.WriteBinaryData("NSY", TableBytes(sy));
    registry.WriteBinaryData("NUX", TableBytes(ux));
    registry.WriteBinaryData("NUY", TableBytes(uy));
    std::vector<std::uint8_t> monitor = Int32Bytes(1);
    monitor.resize(16, 0);
    registry.WriteBinaryData("Monitor", monitor);
    registry.WriteBinaryData("Rotate", Int32Bytes(0));
    registry.WriteBinaryData("Origin", Int32Bytes(0));
    registry.WriteBinaryData("ADC", Int32Bytes(0));
    registry.CloseKey();

    if (ini.ReadInteger("TouchCFG", "rbmode", 0) == 2 && registry.OpenKey(product.parametersKey, true)) {
        registry.WriteBinaryData("RBTime", Int32Bytes(ini.ReadInteger("TouchCFG", "rbtime", 2000)));
        registry.CloseKey();
    }
    if (registry.OpenKey(product.parametersKey, true)) {
        registry.WriteBinaryData("NonIndex",
                                 Int32Bytes(ini.ReadInteger("TouchCFG", "NonIndex", 0) != 0 ? 1 : 0));
        registry.CloseKey();
    }
    if (registry.OpenKey(kVirtualTouchParameters, true)) {
        const bool multiTouch = form.IsWin7OrLater && ini.ReadInteger("System", "AllowMultiTouch", 0) == 1;
        registry.WriteBinaryData("RunningMode", Int32Bytes(multiTouch ? 1 : 0));
        registry.WriteBinaryData("AppInfo", Int32Bytes(ini.ReadInteger("System", "AppInfo", 0) == 1 ? 1 : 0));
        registry.CloseKey();
    }
}

}  // namespace setup
