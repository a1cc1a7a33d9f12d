#include "config/calibration.h"

#include <string>
#include <vector>

#include "config/comma_text.h"
#include "config/ini_file.h"
#include "config/ini_text.h"
#include "shell/errors.h"

namespace config {

bool IsValidPointCount(std::int32_t points) {
    return points == 5 || points == 12 || points == 16 || points == 25;
}

CalibrationDefaults ReadCalibrationDefaults(const IniFile& setupIni, std::string_view section) {
    CalibrationDefaults defaults;
    std::int32_t points = setupIni.ReadInteger(section, kPointCountKey, 0);
    defaults.widthResolution = setupIni.ReadInteger(section, kWidthResolutionKey, 0);
    defaults.heightResolution = setupIni.ReadInteger(section, kHeightResolutionKey, 0);
    if (!IsValidPointCount(points)) return defaults;
    for (std::size_t list = 0; list < kPointLists.size(); ++list) {
        const std::string text = setupIni.ReadString(section, kPointLists[list], "");
        if (text.empty()) continue;
        const std::vector<std::string> entries = SplitCommaText(text);
        if (entries.size() != static_cast<std::size_t>(points)) {
            // Every later list that is given mismatches too.
            points = 0;
            continue;
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::optional<std::int32_t> value = ParseIniInteger(entries[i]);
            if (!value) throw setup::SetupError("'" + entries[i] + "' is not a valid integer value");
            defaults.tables[list][i] = *value;
        }
    }
    defaults.points = points;
    return defaults;
}

}  // namespace config
