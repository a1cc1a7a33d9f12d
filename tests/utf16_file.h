// The bytes of a text file saved as UTF-16 little-endian with a byte-order
// mark, as Notepad saves "Unicode".
#pragma once

#include <string>
#include <string_view>

namespace test_support {

inline std::string Utf16LeFile(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

}  // namespace test_support
