#include "procedures/touch_defaults.h"

#include <string>
#include <vector>

#include "config/comma_text.h"
#include "config/ini_file.h"
#include "config/ini_text.h"
#include "registry/registry_access.h"
#include "shell/errors.h"
#include "shell/form.h"

namespace setup {
namespace {

struct ProductCalibration {
    const char* section;
    const char* calibrationKey;
    const char* parametersKey;
    std::int32_t coordinateMaximum;
};

constexpr ProductCalibration kUsbCalibration{
    "calibusb", "SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters0",
    "SYSTEM\\CurrentControlSet\\Services\\qzusbf\\Parameters", 0x7FFF};
constexpr ProductCalibration kSerialCalibration{
    "calib232", "SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters0",
    "SYSTEM\\CurrentControlSet\\Services\\qz232\\Parameters", 0xFFFF};
constexpr const char* kVirtualTouchParameters = "SYSTEM\\CurrentControlSet\\Services\\vtouch\\Parameters";

bool ValidPointCount(std::int32_t count) {
    return count == 5 || count == 12 || count == 16 || count == 25;
}

// As the toolkit's string-to-integer conversion, with its message.
std::int32_t ToInteger(const std::string& entry) {
    if (auto value = config::ParseIniInteger(entry)) return *value;
    throw SetupError("'" + entry + "' is not a valid integer value");
}

std::vector<std::uint8_t> Int32Bytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::vector<std::uint8_t> TableBytes(const std::array<std::int32_t, PointTables::kSize>& table) {
    std::vector<std::uint8_t> bytes;
    for (std::int32_t value : table) {
        std::vector<std::uint8_t> entry = Int32Bytes(value);
        bytes.insert(bytes.end(), entry.begin(), entry.end());
    }
    return bytes;
}

}  // namespace

void WriteTouchParameterDefaults(TVEXA_Form1& form, RegistryAccess& registry, PointTables& points) {
    const config::IniFile& ini = *form.SetupIni;
    const ProductCalibration& product = form.ProductKind == 1 ? kSerialCalibration : kUsbCalibration;

    std::int32_t count = ini.ReadInteger(product.section, "max_point", 0);
    const std::int32_t width = ini.ReadInteger(product.section, "widthresolution", 0);
    const std::int32_t height = ini.ReadInteger(product.section, "heightresolution", 0);
    if (ValidPointCount(count)) {
        const std::pair<const char*, std::array<std::int32_t, PointTables::kSize>*> lists[] = {
            {"sx", &points.sx}, {"sy", &points.sy}, {"ux", &points.ux}, {"uy", &points.uy}};
        for (const auto& [key, table] : lists) {
            const std::string text = ini.ReadString(product.section, key, "");
            if (text.empty()) continue;
            const std::vector<std::string> entries = config::SplitCommaText(text);
            // A list of another length spoils the whole calibration: from here
            // on every further list mismatches too.
            if (entries.size() != static_cast<std::size_t>(count)) {
                count = 0;
                continue;
            }
            for (std::size_t i = 0; i < entries.size(); ++i) (*table)[i] = ToInteger(entries[i]);
        }
    } else {
        count = 0;
    }
    if (count <= 0) return;

    form.LogLine("Write default value!");
    if (!registry.OpenKey(product.calibrationKey, true)) {
        form.LogLine("--Failed!");
        return;
    }
    registry.WriteString("Notes", "Default value");
    registry.WriteBinaryData("MAX_POINT", Int32Bytes(count));
    registry.WriteBinaryData("WidthResolution", Int32Bytes(width));
    registry.WriteBinaryData("HeightResolution", Int32Bytes(height));
    registry.WriteBinaryData("ScreenUpperLeftx", Int32Bytes(0));
    registry.WriteBinaryData("ScreenUpperLefty", Int32Bytes(0));
    registry.WriteBinaryData("ScreenLowerRightx", Int32Bytes(product.coordinateMaximum));
    registry.WriteBinaryData("ScreenLowerRighty", Int32Bytes(product.coordinateMaximum));
    registry.WriteBinaryData("SX", TableBytes(points.sx));
    registry.WriteBinaryData("SY", TableBytes(points.sy));
    registry.WriteBinaryData("UX", TableBytes(points.ux));
    registry.WriteBinaryData("UY", TableBytes(points.uy));
    registry.WriteBinaryData("NSX", TableBytes(points.sx));
    registry.WriteBinaryData("NSY", TableBytes(points.sy));
    registry.WriteBinaryData("NUX", TableBytes(points.ux));
    registry.WriteBinaryData("NUY", TableBytes(points.uy));
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
