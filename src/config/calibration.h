// The calibration defaults of the setup configuration: [calibusb] for the USB
// product, [calib232] for the RS-232 product. The install writes them for the
// driver only when the section names a valid number of points and every list
// it gives has that many entries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace config {

class IniFile;

inline constexpr std::string_view kUsbCalibrationSection = "calibusb";
inline constexpr std::string_view kSerialCalibrationSection = "calib232";
inline constexpr std::string_view kPointCountKey = "max_point";
inline constexpr std::string_view kWidthResolutionKey = "widthresolution";
inline constexpr std::string_view kHeightResolutionKey = "heightresolution";

// Room for the most points.
inline constexpr std::size_t kMaxCalibrationPoints = 25;
// The point lists in the order they are read: tables SX, SY, UX, UY.
inline constexpr std::array<std::string_view, 4> kPointLists = {"sx", "sy", "ux", "uy"};

// 5, 12, 16 or 25.
bool IsValidPointCount(std::int32_t points);

struct CalibrationDefaults {
    std::int32_t points = 0;  // 0: nothing is written
    std::int32_t widthResolution = 0;
    std::int32_t heightResolution = 0;
    // SX, SY, UX, UY; entries beyond the number of points stay 0.
    std::array<std::array<std::int32_t, kMaxCalibrationPoints>, kPointLists.size()> tables{};
};

// Reads max_point, widthresolution and heightresolution, then the four lists
// (comma text) when max_point is valid. An empty or missing list leaves its
// table at zero; a list whose number of entries differs from max_point sets
// the number of points to 0, so nothing is written. An entry that is not an
// integer raises the conversion error (setup::SetupError) that ends the run in
// the fatal-error report.
CalibrationDefaults ReadCalibrationDefaults(const IniFile& setupIni, std::string_view section);

}  // namespace config
