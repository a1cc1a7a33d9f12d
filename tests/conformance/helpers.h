// Small helpers shared by the scenarios: value bytes and scratch names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conformance/scenario.h"

namespace conformance {

// A string value as Windows stores it: the text and its NUL.
inline std::vector<std::uint8_t> Sz(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

inline std::vector<std::uint8_t> Dword(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// The scenario's own key below HKLM\SOFTWARE (seen through the view the mask
// selects) and its own file paths.
inline std::string ScratchKey(const Backend& backend) {
    return "SOFTWARE\\ConformanceTest\\" + backend.unique;
}
inline std::string InScratch(const Backend& backend, const std::string& name) {
    return backend.scratch + "\\" + name;
}

// Deletes a key and what it holds, deepest first, through the seam.
void DeleteKeyTree(plat::HKey root, const std::string& path, plat::DWord view);

// The string a registry status or BOOL result with its last error reads as.
std::string Status(plat::Long status);
std::string BoolResult(plat::Bool ok);  // "TRUE" or "FALSE, error N"

}  // namespace conformance
