// Colour values of the configuration (formcolor, textcolor): 0x00BBGGRR for a
// colour of its own, or 0xFF000000 + n for Windows system colour n, so that a
// package can follow the user's desktop scheme.
#pragma once

#include <cstdint>

namespace config {

inline constexpr std::uint32_t kSystemColorBase = 0xFF000000u;
inline constexpr std::int32_t kDefaultFormColor =
    static_cast<std::int32_t>(kSystemColorBase + 15);  // button face
inline constexpr std::int32_t kDefaultTextColor =
    static_cast<std::int32_t>(kSystemColorBase + 8);  // window text

constexpr bool IsSystemColor(std::uint32_t color) {
    return (color & 0xFF000000u) == kSystemColorBase;
}

// n of a system colour value.
constexpr std::uint32_t SystemColorIndex(std::uint32_t color) {
    return color & 0x00FFFFFFu;
}

// 0x00BBGGRR of a colour of its own; the high byte carries no meaning.
constexpr std::uint32_t RgbOf(std::uint32_t color) {
    return color & 0x00FFFFFFu;
}

}  // namespace config
