// A configuration file read and written with the profile-file rules of
// ini_text.h. Opening never fails: the object only remembers the path. Every
// call reads the file again through the seam, so a value is never older than
// the file (the installed file is rewritten while the run goes on).
// A file saved as UTF-16 little-endian with a byte-order mark is read as
// Windows reads it: its text converted through the system's ANSI code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace config {

class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& FileName() const { return path_; }

    // A missing file, section or key yields the default; a key present with an
    // empty value yields the empty text. A file that is there but cannot be
    // read throws setup::SetupError naming it, so the run ends in the fatal
    // report instead of going on with defaults.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // The value read as text first; an empty, malformed or out-of-range value yields the default.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    bool SectionExists(std::string_view section) const;
    // Key names in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // "key=value" texts in file order, empty values included.
    std::vector<std::string> ReadSectionValues(std::string_view section) const;

    // Replace the key's first occurrence, or add it at the end of its section,
    // or add the section at the end of the file. Throws setup::SetupError when
    // the file cannot be read back or written, or is a UTF-16 file (whose text
    // ANSI lines would corrupt), so the run ends in the fatal report.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

private:
    std::string Contents() const;

    std::string path_;
};

}  // namespace config
