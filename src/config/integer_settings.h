// The integer keys of the setup configuration with their defaults. A value
// that is empty or not an integer (ParseIniInteger) gives the default without
// a word, so these are the keys a package can get wrong silently.
#pragma once

#include <cstdint>
#include <string_view>

#include "config/calibration.h"
#include "config/colors.h"

namespace config {

struct IntegerSetting {
    std::string_view section;
    std::string_view key;
    std::int32_t defaultValue;
    bool colour = false;  // a colour value (colors.h)
};

inline constexpr IntegerSetting kIntegerSettings[] = {
    {"system", "formcolor", kDefaultFormColor, true},
    {"system", "textcolor", kDefaultTextColor, true},
    {"system", "usbonly", 0},
    {"system", "product", -1},
    {"system", "package", 0},
    {"system", "createdesktopicon", 1},
    {"system", "useuninstallmenu", 1},
    {"system", "createcontrolpanel", 1},
    {"system", "allowmultiport", 0},
    {"system", "douninstall", 0},
    {"system", "alwayscalib", 0},
    {"system", "forcetoreboot", 0},
    {"system", "EnableC3", 0},
    {"system", "AllowMultiTouch", 0},
    {"system", "AppInfo", 0},
    {"TouchCFG", "defaultdblclick", 9},
    {"TouchCFG", "rbmode", 0},
    {"TouchCFG", "rbtime", 2000},
    {"TouchCFG", "NonIndex", 0},
    {kUsbCalibrationSection, kPointCountKey, 0},
    {kUsbCalibrationSection, kWidthResolutionKey, 0},
    {kUsbCalibrationSection, kHeightResolutionKey, 0},
    {kSerialCalibrationSection, kPointCountKey, 0},
    {kSerialCalibrationSection, kWidthResolutionKey, 0},
    {kSerialCalibrationSection, kHeightResolutionKey, 0},
};

}  // namespace config
