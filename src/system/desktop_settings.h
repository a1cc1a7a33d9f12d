// The user's double-click time.
#pragma once

#include <cstdint>

namespace setup {

// Sets the double-click time at once and stores it as the user's
// "DoubleClickSpeed"; 0 makes Windows use its own default.
void SetDoubleClickSpeed(std::int32_t milliseconds);

}  // namespace setup
