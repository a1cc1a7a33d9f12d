#include "config/ini_file.h"

#include <utility>

#include "config/ini_text.h"
#include "platform/os.h"
#include "shell/errors.h"

namespace config {

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

namespace {

// The reasons a read fails that mean the file is not there.
bool IsMissing(plat::DWord error) {
    constexpr plat::DWord kErrorInvalidName = 123;
    return error == plat::kErrorFileNotFound || error == plat::kErrorPathNotFound ||
           error == kErrorInvalidName;
}

}  // namespace

std::string IniFile::Contents() const {
    plat::Os& os = plat::os();
    std::string text;
    if (!os.Files().ReadWholeFile(path_, &text)) {
        // A missing file reads as empty; one that is there but cannot be read
        // (in use, refused) would silently give the defaults of every key.
        if (!IsMissing(os.GetLastError())) throw setup::SetupError("Unable to read " + path_);
        text.clear();
    }
    if (auto wide = Utf16LittleEndianText(text)) {
        // Windows' profile functions read such a file as Unicode and hand the
        // ANSI functions its text in the system's ANSI code page.
        text.clear();
        if (!wide->empty() && os.System().WideCharToMultiByte(plat::kCpAcp, 0, *wide, &text) == 0)
            throw setup::SetupError("Unable to read " + path_);
    }
    return text;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    return FindIniValue(Contents(), section, key).value_or(std::string(defaultValue));
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) const {
    return ParseIniInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool IniFile::SectionExists(std::string_view section) const {
    return IniSectionHasKeys(Contents(), section);
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
    return ListIniKeyNames(Contents(), section);
}

std::vector<std::string> IniFile::ReadSectionValues(std::string_view section) const {
    return ReadIniSectionValues(Contents(), section);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    plat::FileApi& files = plat::os().Files();
    std::string text;
    if (!files.ReadWholeFile(path_, &text)) {
        // Only a file that is not there yet starts empty; rewriting an existing
        // file that could not be read would lose its other keys.
        if (files.GetFileAttributesA(path_) != plat::kInvalidFileAttributes) {
            throw setup::SetupError("Unable to write to " + path_);
        }
        text.clear();
    }
    // Lines are written in ANSI: written into a Unicode file they would corrupt it.
    if (Utf16LittleEndianText(text)) throw setup::SetupError("Unable to write to " + path_);
    if (!files.WriteWholeFile(path_, SetIniValue(text, section, key, value))) {
        throw setup::SetupError("Unable to write to " + path_);
    }
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

}  // namespace config
