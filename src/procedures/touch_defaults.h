// The touch parameter defaults of an install run: the calibration and driver
// parameters written into the driver's service key from the calibration
// section of the setup configuration.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace setup {

class RegistryAccess;
class TVEXA_Form1;

// The calibration points of the configuration: screen (S) and controller (U)
// coordinates. Entries beyond the number of points stay zero.
struct PointTables {
    static constexpr std::size_t kSize = 25;
    std::array<std::int32_t, kSize> sx{}, sy{}, ux{}, uy{};
};

// A step of the install run, not a routine of its own (it stores no step
// code). Writes nothing at all unless the product's calibration section names
// a valid number of points and every list it gives has that many entries. A
// list entry that is not an integer raises SetupError; so does a value the
// registry refuses.
void WriteTouchParameterDefaults(TVEXA_Form1& form, RegistryAccess& registry, PointTables& points);

}  // namespace setup
