// The ANSI code page of the simulated PC, Windows-1252, and UTF-16.
#pragma once

#include <string>

namespace sim {

// Bytes 0x80 to 0x9F of Windows-1252 as UTF-16; the five bytes the code page
// leaves undefined map to the control character of the same value, as
// MultiByteToWideChar does without MB_ERR_INVALID_CHARS.
inline char16_t AnsiToUtf16(unsigned char byte) {
    static const char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

inline std::u16string AnsiToUtf16(const std::string& text) {
    std::u16string wide;
    for (char c : text) wide += AnsiToUtf16(static_cast<unsigned char>(c));
    return wide;
}

// Characters without a byte in the code page become '?', as WideCharToMultiByte's default character.
inline std::string Utf16ToAnsi(const std::u16string& wide) {
    std::string text;
    for (char16_t c : wide) {
        char byte = '?';
        for (int b = 0; b < 256; ++b)
            if (AnsiToUtf16(static_cast<unsigned char>(b)) == c) {
                byte = static_cast<char>(b);
                break;
            }
        text += byte;
    }
    return text;
}

}  // namespace sim
