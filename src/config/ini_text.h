// The profile-file rules applied to a file's text, without touching any file:
// sections and keys compared without regard to case, a section spelled twice
// counting as one, the first occurrence of a key winning, blanks trimmed and one
// pair of enclosing quotes removed. IniFile runs these over the text it reads
// through the seam; tests run them over plain strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace config {

// A value read is cut to this many characters (the 2048-character read buffer
// less its terminating NUL).
constexpr std::size_t kMaxValueLength = 2047;

// Room for a section's key names in a whole-section read: each name with its
// NUL, and a final NUL.
constexpr std::size_t kKeyNamesBufferSize = 16384;

// The value of a key, trimmed, unquoted and cut to kMaxValueLength; nullopt
// when the key is missing. An empty value is present, not missing.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// The key names of a section in file order, as each line spells them, within
// kKeyNamesBufferSize (the last name that does not fit is cut short). A key
// written twice is listed twice.
std::vector<std::string> ListIniKeyNames(std::string_view text, std::string_view section);

// True when the section holds at least one key; a bare header does not count.
bool IniSectionHasKeys(std::string_view text, std::string_view section);

// Each key name of the section paired with its value as "key=value", in file
// order; empty values included.
std::vector<std::string> ReadIniSectionValues(std::string_view text, std::string_view section);

// The text with `key` set to `value`: the first occurrence of the key is
// rewritten in place; else the key is added at the end of the section's first
// block; else the section is added at the end of the text. New lines take the
// text's own line ending (CR LF for a new or single-line text).
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// An integer value: optional sign, then a decimal number within the signed
// 32-bit range, or one to eight hexadecimal digits after "$", "0x", "0X", "x"
// or "X", taken as a 32-bit pattern. nullopt for anything else.
std::optional<std::int32_t> ParseIniInteger(std::string_view value);

// The text of a file saved as UTF-16 little-endian with a byte-order mark
// (Notepad's "Unicode"): its UTF-16 units without the mark, an odd last byte
// dropped. nullopt for any other file, which is ANSI text as it stands.
std::optional<std::u16string> Utf16LittleEndianText(std::string_view file);

// ASCII comparison without regard to case, as section and key names are compared.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace config
