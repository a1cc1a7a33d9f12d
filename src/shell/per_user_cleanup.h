// Per-user leftovers of the touch tools outside the install folder.
#pragma once

#include <string>

namespace setup {

// The shared application-data folder (CSIDL_COMMON_APPDATA) without a
// trailing backslash; empty when the shell cannot name it.
std::string GetCommonAppDataPath();

}  // namespace setup
