// The user-interface texts and the package version that fills them.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace config {

class IniFile;

// Text1 to Text21; Text n is at index n - 1.
constexpr std::size_t kUiTextCount = 21;
const std::array<std::string, kUiTextCount>& BuiltInTexts();

// Where a language file keeps them: keys "Text1" to "Text21" of [SetupText],
// with the program group's and the shortcuts' names.
inline constexpr std::string_view kSetupTextSection = "SetupText";
inline constexpr std::string_view kGroupNameKey = "groupname";
inline constexpr std::string_view kIconNameKey = "iconname";
inline constexpr std::string_view kUninstNameKey = "uninstname";
// "Text1" for index 0.
std::string UiTextKey(std::size_t index);

// [LanguagePacks] of the package configuration: language "auto" (any letter
// case) takes the texts from folder + "\language." + the language code, when
// that file is there, else from the configuration itself.
inline constexpr std::string_view kLanguagePacksSection = "LanguagePacks";
inline constexpr std::string_view kLanguageKey = "language";
inline constexpr std::string_view kLanguageFolderKey = "folder";
inline constexpr std::string_view kAutoLanguage = "auto";
inline constexpr std::string_view kLanguagePackPrefix = "language.";

// Shortcut and program-group names used when the language file names none.
inline constexpr std::string_view kDefaultGroupName = "Brivo utility";
inline constexpr std::string_view kDefaultIconName = "Brivo control panel";
inline constexpr std::string_view kDefaultUninstName = "Uninstall Brivo driver and utility";

// [System] "version" and "release" when the configuration names none.
inline constexpr std::string_view kDefaultVersion = "3.23";
inline constexpr std::string_view kDefaultRelease = "100614";

struct VersionSplit {
    std::string major;
    std::string minor;
};

// "2.10" -> 2 and 10 (split at the first "."); without a "." the last two
// characters are the minor part: "210" -> 2 and 10, "7" -> "" and 7.
VersionSplit SplitVersion(std::string_view version);

// The values of the placeholders "!@MAJOR", "!@MINOR" and "!@RELEASE".
struct PackageVersion {
    std::string major;
    std::string minor;
    std::string release;
};

// [System] version and release of the setup configuration, split.
PackageVersion ReadPackageVersion(const IniFile& setupIni);

// The version placeholders of the texts.
inline constexpr std::string_view kMajorPlaceholder = "!@MAJOR";
inline constexpr std::string_view kMinorPlaceholder = "!@MINOR";
inline constexpr std::string_view kReleasePlaceholder = "!@RELEASE";
// What every placeholder starts with.
inline constexpr std::string_view kPlaceholderMark = "!@";

// Replaces the first "!@MAJOR", then the first "!@MINOR", then the first
// "!@RELEASE", case-sensitively; later occurrences stay as they are.
std::string FillVersionPlaceholders(std::string text, const PackageVersion& version);

}  // namespace config
