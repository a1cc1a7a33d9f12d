#include "shell/package_check.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "config/additional_items.h"
#include "config/calibration.h"
#include "config/comma_text.h"
#include "config/ini_file.h"
#include "config/ini_text.h"
#include "config/integer_settings.h"
#include "config/text_encoding.h"
#include "config/ui_texts.h"
#include "deploy/file_ops.h"
#include "deploy/file_sets.h"
#include "driverpkg/inf_models.h"
#include "platform/os.h"
#include "platform/ui.h"
#include "resources/layout.h"
#include "shell/errors.h"
#include "shell/form.h"
#include "system/package_tools.h"

namespace setup {

std::string FormatProblem(const PackageProblem& problem) {
    std::string line = problem.file;
    if (!problem.section.empty()) line += " [" + problem.section + "]";
    if (!problem.key.empty()) line += " " + problem.key;
    return line + ": " + problem.text;
}

namespace {

using config::EqualsIgnoringCase;
using config::IniFile;

constexpr const char* kConfiguration = "default.ini";
// Beside setup.exe it makes setup take itself for an installed copy.
constexpr const char* kInstalledConfiguration = "setup.ini";
// The default of a read that must tell a missing key from any value.
constexpr std::string_view kMissing = "\x7f(missing)";

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// A name Windows takes for a file or folder: a plain name without the
// characters it refuses in names.
bool IsValidName(std::string_view name) {
    return IsPlainName(name) && name.find_first_of("<>\"|?*") == std::string_view::npos;
}

std::string NumberText(std::int32_t value, bool colour) {
    if (!colour) return std::to_string(value);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(value));
    return hex;
}

enum class Product { Usb, Serial };

std::string ProductText(Product product) {
    return product == Product::Usb ? "the USB install" : "the RS-232 install";
}

using WindowsKey = std::pair<bool, bool>;  // x64, Vista and later

WindowsKey KeyOf(TargetWindows windows) {
    return {windows.x64, windows.vistaOrLater};
}

std::string OneWindows(WindowsKey windows) {
    return std::string(windows.first ? "64-bit" : "32-bit") + " Windows" +
           (windows.second ? " Vista and later" : " before Vista");
}

// Where something happens, for a set of the Windows a package serves: empty
// for all of them, else " on 64-bit Windows" and the like.
std::string WindowsPhrase(const std::set<WindowsKey>& windows) {
    const std::size_t all = EveryTargetWindows().size();
    if (windows.size() == all) return "";
    if (windows.size() == 1) return " on " + OneWindows(*windows.begin());
    if (windows.size() == 2) {
        const WindowsKey a = *windows.begin();
        const WindowsKey b = *std::next(windows.begin());
        if (a.first == b.first) return std::string(" on ") + (a.first ? "64-bit" : "32-bit") + " Windows";
        if (a.second == b.second) return a.second ? " on Windows Vista and later" : " before Windows Vista";
        return " on " + OneWindows(a) + " and on " + OneWindows(b);
    }
    for (TargetWindows target : EveryTargetWindows())
        if (windows.count(KeyOf(target)) == 0) return " on every Windows but " + OneWindows(KeyOf(target));
    return "";
}

// The installs concerned: "every install", or "the USB install on 64-bit
// Windows and the RS-232 install".
std::string InstallsText(const std::map<Product, std::set<WindowsKey>>& uses) {
    if (uses.size() == 2 && uses.begin()->second == uses.rbegin()->second)
        return "every install" + WindowsPhrase(uses.begin()->second);
    std::string text;
    for (const auto& [product, windows] : uses) {
        if (!text.empty()) text += " and ";
        text += ProductText(product) + WindowsPhrase(windows);
    }
    return text;
}

// "every install needs it", "the USB install on 64-bit Windows needs it", or
// the two installs that need it.
std::string NeededBy(const std::map<Product, std::set<WindowsKey>>& uses) {
    const bool two = uses.size() == 2 && uses.begin()->second != uses.rbegin()->second;
    return InstallsText(uses) + (two ? " need it" : " needs it");
}

// The tokens starting with "!@" in a text, in order.
std::vector<std::string> PlaceholderTokens(std::string_view text) {
    std::vector<std::string> tokens;
    for (std::size_t at = text.find(config::kPlaceholderMark); at != std::string_view::npos;
         at = text.find(config::kPlaceholderMark, at + 1)) {
        std::size_t end = at + config::kPlaceholderMark.size();
        while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
            ++end;
        tokens.emplace_back(text.substr(at, end - at));
    }
    return tokens;
}

bool IsPlaceholder(std::string_view token) {
    return token == config::kMajorPlaceholder || token == config::kMinorPlaceholder ||
           token == config::kReleasePlaceholder;
}

std::string JoinQuoted(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
        text += Quoted(items[i]);
    }
    return text;
}

// The sections of a configuration or language file that setup reads.
constexpr std::string_view kConfigurationSections[] = {
    config::kLanguagePacksSection,     "system",    "INFData", "TouchCFG", config::kUsbCalibrationSection,
    config::kSerialCalibrationSection, "additional"};
constexpr std::string_view kLanguageSections[] = {config::kSetupTextSection, "ADDITIONAL", "TouchCFGTEXT"};

class Checker {
public:
    explicit Checker(std::string folder) : folder_(std::move(folder)), config_(Path(kConfiguration)) {}

    PackageCheck Run();

private:
    struct Need {
        std::string name;  // as the tables spell it
        std::map<Product, std::set<WindowsKey>> uses;
        std::string consequence;  // when set, said instead of the installs that need it
    };

    std::string Path(std::string_view relative) const { return folder_ + "\\" + std::string(relative); }
    plat::DWord Attributes(std::string_view relative) const {
        return plat::os().Files().GetFileAttributesA(Path(relative));
    }
    bool IsFile(std::string_view relative) const {
        const plat::DWord attributes = Attributes(relative);
        return attributes != plat::kInvalidFileAttributes &&
               (attributes & plat::kFileAttributeDirectory) == 0;
    }
    bool IsFolder(std::string_view relative) const {
        const plat::DWord attributes = Attributes(relative);
        return attributes != plat::kInvalidFileAttributes &&
               (attributes & plat::kFileAttributeDirectory) != 0;
    }
    std::optional<std::string> Contents(std::string_view relative) const {
        std::string text;
        if (!plat::os().Files().ReadWholeFile(Path(relative), &text)) return std::nullopt;
        return text;
    }
    // The entries of a folder of the package matching `pattern`, "." and ".." left out.
    std::vector<plat::FindData> List(std::string_view pattern) const;

    void Add(std::string file, std::string section, std::string key, std::string text) {
        PackageProblem problem{std::move(file), std::move(section), std::move(key), std::move(text)};
        if (seen_.insert(FormatProblem(problem)).second) problems_.push_back(std::move(problem));
    }

    // What a file or one of its keys holds: the value, or nullopt when missing.
    static std::optional<std::string> Value(const IniFile& file, std::string_view section,
                                            std::string_view key) {
        std::string value = file.ReadString(section, key, kMissing);
        if (value == kMissing) return std::nullopt;
        return value;
    }

    void CheckEncoding(const std::string& file, unsigned codePage);
    void CheckRepeatedKeys(const std::string& file, const IniFile& ini, std::string_view section);
    void CheckSettings();
    void CheckNames();
    void CheckBackground();
    void CheckLanguageFiles();
    void CheckLanguageFile(const std::string& file, bool pack);
    void CheckPlaceholders(const std::string& file, std::string_view section, const std::string& key,
                           const std::string& text, bool firstOccurrencesFilled);
    void CheckItems();
    void CheckExtraFolders();
    void CheckCalibration();
    void NeedFile(const std::string& name, Product product, TargetWindows windows);
    void NeedFileAlways(const std::string& name, std::string consequence);
    void CheckPackageFiles();
    void CheckUsbInfs();
    void CheckInfSignature(const std::string& file);
    void CheckInstallFolderNames();
    // Whether the file sets of the product put this name (a file or folder) into the install folder.
    bool Placed(Product product, TargetWindows windows, const std::string& name) const;

    std::string folder_;
    IniFile config_;
    std::vector<std::string> languagePacks_;       // "language\language.DEU"
    std::vector<std::vector<std::string>> items_;  // [additional] item1 to item5, fields; empty: none
    std::vector<Need> needs_;
    std::vector<PackageProblem> problems_;
    std::set<std::string> seen_;
    bool programsChecked_ = true;
};

std::vector<plat::FindData> Checker::List(std::string_view pattern) const {
    plat::FileApi& files = plat::os().Files();
    std::vector<plat::FindData> found;
    plat::FindData data;
    plat::Handle search = files.FindFirstFileA(Path(pattern), &data);
    if (search == plat::kInvalidHandle) return found;
    do {
        if (data.name != "." && data.name != "..") found.push_back(data);
    } while (files.FindNextFileA(search, &data));
    files.FindClose(search);
    return found;
}

PackageCheck Checker::Run() {
    if (!IsFile(kConfiguration)) {
        Add(kConfiguration, "", "",
            "missing; setup stops at start (\"ERROR : Can't retrieve setup configuration file#1! Setup "
            "aborted!\")");
        return {problems_, programsChecked_};
    }
    programsChecked_ = IsFile(kSetupProgram);
    if (IsFile(kInstalledConfiguration))
        Add(kInstalledConfiguration, "", "",
            "must not be in the package; setup started beside it takes itself for an installed copy and "
            "installs nothing");
    try {
        CheckEncoding(kConfiguration, 0);
        CheckSettings();
        CheckNames();
        CheckBackground();
        CheckItems();
        CheckLanguageFiles();
        CheckExtraFolders();
        CheckCalibration();
        CheckPackageFiles();
        CheckUsbInfs();
        CheckInstallFolderNames();
    } catch (const SetupError& error) {
        // A file that is there but cannot be read: "Unable to read " and its path.
        const std::string message = error.what();
        const std::string prefix = "Unable to read " + folder_ + "\\";
        Add(message.starts_with(prefix) ? message.substr(prefix.size()) : message, "", "", "cannot be read");
    }
    return {problems_, programsChecked_};
}

void Checker::CheckEncoding(const std::string& file, unsigned codePage) {
    const std::optional<std::string> text = Contents(file);
    if (!text) {
        Add(file, "", "", "cannot be read");
        return;
    }
    if (config::Utf16LittleEndianText(*text)) return;  // Windows reads Unicode files as they are
    const std::string saveAs =
        codePage != 0 ? "save it in code page " + std::to_string(codePage) + " or as Unicode (UTF-16)"
                      : "save it as ANSI text or as Unicode (UTF-16)";
    if (config::StartsWithUtf8Mark(*text) || config::IsUtf8BeyondAscii(*text)) {
        Add(file, "", "",
            "saved as UTF-8; Windows reads it as ANSI text, so letters beyond ASCII come out garbled and a "
            "byte-order mark becomes part of the first line: " +
                saveAs);
        return;
    }
    if (codePage == 0) return;
    if (const std::optional<std::size_t> at = config::FirstByteOutsideCodePage(*text, codePage)) {
        const std::size_t line =
            static_cast<std::size_t>(std::count(text->begin(), text->begin() + *at, '\n')) + 1;
        Add(file, "", "",
            "line " + std::to_string(line) + " holds a byte that is no character of code page " +
                std::to_string(codePage) + ", in which Windows of this language reads it: " + saveAs);
    }
}

void Checker::CheckRepeatedKeys(const std::string& file, const IniFile& ini, std::string_view section) {
    std::vector<std::string> seen;
    std::set<std::string> reported;
    for (const std::string& key : ini.ReadSection(section)) {
        const std::string upper = Upper(key);
        if (std::find(seen.begin(), seen.end(), upper) == seen.end()) {
            seen.push_back(upper);
        } else if (reported.insert(upper).second) {
            Add(file, std::string(section), key, "set more than once; only the first one counts");
        }
    }
}

void Checker::CheckSettings() {
    for (std::string_view section : kConfigurationSections)
        CheckRepeatedKeys(kConfiguration, config_, section);
    for (const config::IntegerSetting& setting : config::kIntegerSettings) {
        const std::optional<std::string> value = Value(config_, setting.section, setting.key);
        if (!value || config::ParseIniInteger(*value)) continue;
        const std::string fallback =
            "setup uses the default " + NumberText(setting.defaultValue, setting.colour);
        Add(kConfiguration, std::string(setting.section), std::string(setting.key),
            value->empty() ? "empty; " + fallback : Quoted(*value) + " is not a number; " + fallback);
    }

    const std::optional<std::string> manufacturer = Value(config_, "INFData", "manufacturer");
    if (!manufacturer || *manufacturer == kInfAbsent)
        Add(kConfiguration, "INFData", "manufacturer",
            std::string(manufacturer ? "\"nil\"" : "missing") +
                "; setup stops at start with Text15 (\"Error while parsing SETUP.INI file\")");
    if (config_.ReadString(kPidListSection, kPidListKey, "").empty())
        Add(kConfiguration, kPidListSection, kPidListKey,
            "missing or empty; every install stops with Text9 (\"Error while parsing INF file\")");

    const bool autoLanguage = EqualsIgnoringCase(
        config_.ReadString(config::kLanguagePacksSection, config::kLanguageKey, config::kAutoLanguage),
        config::kAutoLanguage);
    if (autoLanguage &&
        config_.ReadString(config::kLanguagePacksSection, config::kLanguageFolderKey, "").empty())
        Add(kConfiguration, std::string(config::kLanguagePacksSection),
            std::string(config::kLanguageFolderKey),
            "missing or empty while language is auto; setup stops at start (\"ERROR : Can't retrieve setup "
            "configuration file#2! Setup aborted!\")");
}

void Checker::CheckNames() {
    const std::string targetDir = config_.ReadString("system", "targetdir", "Brivo");
    if (targetDir.empty())
        Add(kConfiguration, "system", "targetdir",
            "empty; the install puts its files straight into the Program Files folder");
    else if (!IsValidName(targetDir))
        Add(kConfiguration, "system", "targetdir",
            Quoted(targetDir) +
                " is not a plain folder name; the install creates one folder below Program Files and "
                "cannot place its files in anything deeper");
}

void Checker::CheckBackground() {
    const std::string background = config_.ReadString("system", "background", "");
    if (background.empty()) return;
    std::string extension = background.substr(background.find_last_of('.') == std::string::npos
                                                  ? background.size()
                                                  : background.find_last_of('.') + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const bool known = std::find(std::begin(plat::kPictureExtensions), std::end(plat::kPictureExtensions),
                                 extension) != std::end(plat::kPictureExtensions);
    if (!known) {
        Add(kConfiguration, "system", "background",
            Quoted(background) +
                " is no picture the window shows (bitmap, JPEG, GIF, icon or metafile); it stays without "
                "one");
        return;
    }
    if (!IsInsideName(background)) {
        Add(kConfiguration, "system", "background",
            Quoted(background) +
                " is not a file of the package; the window shows it only on a PC that has that file");
        return;
    }
    if (!IsFile(background)) {
        Add(kConfiguration, "system", "background",
            Quoted(background) + " is missing from the package; the window shows no picture");
        return;
    }
    if (extension != "bmp") return;
    const std::optional<std::string> bitmap = Contents(background);
    const plat::ControlSpec image = MainWindowControls()[Image1];
    auto int32At = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>((*bitmap)[at + i])) << (8 * i);
        return static_cast<std::int32_t>(value);
    };
    if (!bitmap || bitmap->size() < 26 || !bitmap->starts_with("BM")) {
        Add(kConfiguration, "system", "background",
            Quoted(background) + " is not a bitmap file; the window shows no picture");
        return;
    }
    const std::int64_t width = int32At(18);
    const std::int64_t height = std::abs(std::int64_t{int32At(22)});  // negative: stored top-down
    if (width != image.width || height != image.height)
        Add(kConfiguration, "system", "background",
            Quoted(background) + " is " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; the window shows " + std::to_string(image.width) + " x " +
                std::to_string(image.height) + " from the top left corner");
}

void Checker::CheckItems() {
    for (int n = 1; n <= 5; ++n) {
        const std::string key = "item" + std::to_string(n);
        std::vector<std::string> fields = config::ReadAdditionalItem(config_, nullptr, n);
        if (!fields.empty() && fields.size() < config::kItemFieldCount) {
            Add(kConfiguration, "additional", key,
                "has " + std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") +
                    ", five are needed (name, file, shortcuts, target, arguments); the install ends in the "
                    "fatal-error report");
            fields.clear();
        }
        items_.push_back(fields);
        if (fields.empty()) continue;
        const std::string& name = fields[0];
        const std::string& file = fields[1];
        if (!file.empty()) {
            if (!IsInsideName(file))
                Add(kConfiguration, "additional", key,
                    "the install refuses the file name " + Quoted(file) +
                        ": it must name a file inside the package");
            else if (!IsFile(file))
                Add(kConfiguration, "additional", key,
                    "the file " + Quoted(file) + " is missing from the package; nothing is copied");
        }
        const std::optional<std::int32_t> flags = config::ParseIniInteger(fields[2]);
        if (!flags && !fields[2].empty())
            Add(kConfiguration, "additional", key,
                "the shortcut flags " + Quoted(fields[2]) + " are no number; no shortcut is made");
        if ((flags.value_or(0) & 3) != 0 && !IsPlainName(name))
            Add(kConfiguration, "additional", key,
                "the install refuses the shortcut name " + Quoted(name) +
                    " (it must be a plain file name) and makes no shortcut");
        CheckPlaceholders(kConfiguration, "additional", key, name, false);
    }
}

void Checker::CheckLanguageFiles() {
    CheckLanguageFile(kConfiguration, false);
    const bool autoLanguage = EqualsIgnoringCase(
        config_.ReadString(config::kLanguagePacksSection, config::kLanguageKey, config::kAutoLanguage),
        config::kAutoLanguage);
    const std::string folder =
        config_.ReadString(config::kLanguagePacksSection, config::kLanguageFolderKey, "");
    if (!autoLanguage || folder.empty()) return;
    const std::string section(config::kLanguagePacksSection);
    const std::string key(config::kLanguageFolderKey);
    if (!IsFolder(folder)) {
        Add(kConfiguration, section, key,
            Quoted(folder) + " is no folder of the package; every language gets the texts of default.ini");
        return;
    }
    const std::string prefix(config::kLanguagePackPrefix);
    for (const plat::FindData& found : List(folder + "\\" + prefix + "*")) {
        if (found.attributes & plat::kFileAttributeDirectory) continue;
        const std::string pack = folder + "\\" + found.name;
        const std::string code = Upper(found.name.substr(prefix.size()));
        const std::string looked = MapLanguageCode(code);
        if (Upper(looked) != code) {
            Add(pack, "", "",
                "Windows reports no language as " + Quoted(code) + " (for it setup looks for " + prefix +
                    looked + "), so this pack is never used");
            continue;
        }
        languagePacks_.push_back(pack);
        CheckEncoding(pack, config::AnsiCodePageOfLanguage(code));
        CheckLanguageFile(pack, true);
    }
    if (languagePacks_.empty())
        Add(kConfiguration, section, key,
            Quoted(folder) + " holds no language pack (" + prefix + "ENU, " + prefix +
                "DEU, ...); every language gets the texts of default.ini");
}

void Checker::CheckLanguageFile(const std::string& file, bool pack) {
    const IniFile texts(Path(file));
    const std::string section(config::kSetupTextSection);
    for (std::string_view languageSection : kLanguageSections)
        CheckRepeatedKeys(file, texts, languageSection);

    const bool hasTexts = texts.SectionExists(config::kSetupTextSection);
    if (!hasTexts)
        Add(file, section, "",
            pack ? "missing; setup shows its built-in English texts"
                 : "missing; setup shows its built-in English texts wherever no language pack takes over");
    const struct {
        std::string_view key;
        std::string_view builtIn;
        const char* what;
    } names[] = {
        {config::kGroupNameKey, config::kDefaultGroupName, "the program group's folder in the Start menu"},
        {config::kIconNameKey, config::kDefaultIconName, "the touch tool's shortcuts"},
        {config::kUninstNameKey, config::kDefaultUninstName, "the uninstaller's shortcut"},
    };
    for (const auto& name : names) {
        if (!hasTexts) continue;
        const std::optional<std::string> value = Value(texts, config::kSetupTextSection, name.key);
        if (!value) {
            Add(file, section, std::string(name.key),
                "missing; setup uses its built-in " + Quoted(name.builtIn));
            continue;
        }
        if (!IsValidName(*value))
            Add(file, section, std::string(name.key),
                Quoted(*value) + " is no plain file name, which " + name.what +
                    " needs; the install cannot create it");
        CheckPlaceholders(file, section, std::string(name.key), *value, false);
    }
    for (std::size_t i = 0; hasTexts && i < config::kUiTextCount; ++i) {
        const std::string key = config::UiTextKey(i);
        const std::optional<std::string> value = Value(texts, config::kSetupTextSection, key);
        if (!value) {
            Add(file, section, key,
                "missing; setup shows its built-in text " + Quoted(config::BuiltInTexts()[i]));
            continue;
        }
        CheckPlaceholders(file, section, key, *value, i == 0);
    }
    for (const std::string& line : texts.ReadSectionValues("TouchCFGTEXT")) {
        const std::size_t equals = line.find('=');
        CheckPlaceholders(file, "TouchCFGTEXT", line.substr(0, equals), line, true);
    }
    if (!pack) return;

    // What default.ini gives the touch tool and the items, a pack must give in its language.
    for (const std::string& key : config_.ReadSection("TouchCFGTEXT"))
        if (!Value(texts, "TouchCFGTEXT", key))
            Add(file, "TouchCFGTEXT", key,
                "missing, while default.ini has it; the touch tool gets no such text in this language");
    for (std::size_t n = 1; n <= items_.size(); ++n) {
        const std::vector<std::string>& fields = items_[n - 1];
        if (fields.empty()) continue;
        const std::string key = "item" + std::to_string(n);
        const bool shortcuts = (config::ParseIniInteger(fields[2]).value_or(0) & 3) != 0;
        const std::string name = texts.ReadString("ADDITIONAL", key, "");
        if (name.empty()) {
            if (shortcuts)
                Add(file, "ADDITIONAL", key,
                    "missing; the shortcuts of default.ini's item" + std::to_string(n) + " keep the name " +
                        Quoted(fields[0]));
            continue;
        }
        if (shortcuts && !IsPlainName(name))
            Add(file, "ADDITIONAL", key,
                "the install refuses the shortcut name " + Quoted(name) +
                    " (it must be a plain file name) and makes no shortcut");
        CheckPlaceholders(file, "ADDITIONAL", key, name, false);
    }
}

void Checker::CheckPlaceholders(const std::string& file, std::string_view section, const std::string& key,
                                const std::string& text, bool firstOccurrencesFilled) {
    const std::string left = firstOccurrencesFilled
                                 ? config::FillVersionPlaceholders(text, config::ReadPackageVersion(config_))
                                 : text;
    std::vector<std::string> unfilled;
    std::vector<std::string> unknown;
    for (std::string& token : PlaceholderTokens(left)) {
        std::vector<std::string>& list = IsPlaceholder(token) ? unfilled : unknown;
        if (std::find(list.begin(), list.end(), token) == list.end()) list.push_back(std::move(token));
    }
    std::string message;
    if (!unfilled.empty()) {
        message =
            firstOccurrencesFilled
                ? "only the first of each placeholder is filled, so a second " + JoinQuoted(unfilled) +
                      " stays as it stands"
                : JoinQuoted(unfilled) +
                      (unfilled.size() == 1 ? " stays as it stands" : " stay as they stand") +
                      " where setup shows it from the package: it fills the version only into Text1 and the "
                      "touch tool's texts";
    }
    if (!unknown.empty()) {
        if (!message.empty()) message += "; ";
        message += JoinQuoted(unknown) +
                   (unknown.size() == 1 ? " is no placeholder" : " are no placeholders") +
                   " (only !@MAJOR, !@MINOR and !@RELEASE, in capitals, are filled)";
    }
    if (!message.empty()) Add(file, std::string(section), key, message);
}

void Checker::CheckExtraFolders() {
    for (int n = 1; n <= 10; ++n) {
        const std::string key = "copysubdir" + std::to_string(n);
        const std::string folder = config_.ReadString("system", key, "");
        if (folder.empty()) continue;
        if (!IsInsideName(folder)) {
            Add(kConfiguration, "system", key,
                "the install refuses the folder name " + Quoted(folder) +
                    ": it must name a folder inside the package");
            continue;
        }
        if (!IsFolder(folder)) {
            Add(kConfiguration, "system", key,
                Quoted(folder) + " is no folder of the package; nothing is copied");
            continue;
        }
        std::vector<std::string> left;
        for (const plat::FindData& found : List(folder + "\\*.*"))
            if (found.attributes & kSkippedByExtraFolderCopy) left.push_back(found.name);
        if (!left.empty())
            Add(kConfiguration, "system", key,
                "the install copies only the plain files of " + Quoted(folder) + ", not " + JoinQuoted(left) +
                    " (sub-folders, hidden and system files)");
    }
}

void Checker::CheckCalibration() {
    for (std::string_view sectionName : {config::kUsbCalibrationSection, config::kSerialCalibrationSection}) {
        if (!config_.SectionExists(sectionName)) continue;
        const std::string section(sectionName);
        const std::string countKey(config::kPointCountKey);
        const std::optional<std::string> count = Value(config_, sectionName, config::kPointCountKey);
        if (!count) {
            Add(kConfiguration, section, countKey, "missing; no calibration is written");
            continue;
        }
        const std::optional<std::int32_t> points = config::ParseIniInteger(*count);
        if (!points) continue;  // reported with the integer settings
        if (!config::IsValidPointCount(*points)) {
            Add(kConfiguration, section, countKey,
                Quoted(*count) + " is not 5, 12, 16 or 25; no calibration is written");
            continue;
        }
        bool fatal = false;
        try {
            config::ReadCalibrationDefaults(config_, sectionName);
        } catch (const SetupError&) {
            fatal = true;
        }
        for (std::string_view list : config::kPointLists) {
            const std::string text = config_.ReadString(sectionName, list, "");
            if (text.empty()) continue;
            const std::vector<std::string> entries = config::SplitCommaText(text);
            if (entries.size() != static_cast<std::size_t>(*points)) {
                // Its entries are converted only once the length is right.
                Add(kConfiguration, section, std::string(list),
                    std::to_string(entries.size()) + " entries for " + std::to_string(*points) +
                        " points; no calibration is written");
                continue;
            }
            for (std::size_t i = 0; i < entries.size(); ++i) {
                if (config::ParseIniInteger(entries[i])) continue;
                Add(kConfiguration, section, std::string(list),
                    "entry " + std::to_string(i + 1) + " " + Quoted(entries[i]) + " is not a number; " +
                        (fatal ? "the install ends in the fatal-error report"
                               : "an install that reads it ends in the fatal-error report"));
                break;
            }
        }
    }
}

void Checker::NeedFile(const std::string& name, Product product, TargetWindows windows) {
    auto need = std::find_if(needs_.begin(), needs_.end(),
                             [&](const Need& known) { return EqualsIgnoringCase(known.name, name); });
    if (need == needs_.end()) need = needs_.insert(needs_.end(), Need{name, {}, ""});
    need->uses[product].insert(KeyOf(windows));
}

void Checker::NeedFileAlways(const std::string& name, std::string consequence) {
    needs_.push_back(Need{name, {}, std::move(consequence)});
}

void Checker::CheckPackageFiles() {
    NeedFileAlways(kSetupLibrary, "setup stops at start (\"SETUP.DLL not found!\")");
    NeedFileAlways(kPnpRegProgram, "setup runs it at every start");
    NeedFileAlways(kInfTemplate, "every install stops with Text9 (\"Error while parsing INF file\")");
    const bool applet = InstallsApplet(config_);
    const bool multiPortFilter = InstallsMultiPortFilter(config_, false);
    auto needInstallFolderFiles = [&](const std::vector<InstallFolderFile>& files, Product product,
                                      TargetWindows windows) {
        for (const InstallFolderFile& file : files)
            if (file.kind == InstallFolderFile::Kind::PackageFile &&
                (!file.multiPortFilterOnly || multiPortFilter))
                NeedFile(file.source, product, windows);
    };
    for (TargetWindows windows : EveryTargetWindows()) {
        const DriverPackageFiles usb = UsbDriverPackage(windows);
        for (const std::string& file : {usb.driver, usb.inf, usb.catalog})
            NeedFile(file, Product::Usb, windows);
        if (applet) NeedFile(UsbApplet(windows), Product::Usb, windows);
        needInstallFolderFiles(UsbInstallFolderFiles(windows), Product::Usb, windows);
        if (windows.vistaOrLater)
            needInstallFolderFiles(UsbVistaInstallFolderFiles(windows), Product::Usb, windows);
        // The 64-bit device operations run it from the package folder.
        if (windows.x64) NeedFile(kSetDev64Program, Product::Usb, windows);

        const DriverPackageFiles serial = SerialDriverPackage(windows.x64);
        for (const std::string& file : {serial.driver, serial.inf, serial.catalog})
            NeedFile(file, Product::Serial, windows);
        if (applet) NeedFile(SerialApplet(windows), Product::Serial, windows);
        needInstallFolderFiles(SerialInstallFolderFiles(windows), Product::Serial, windows);
        NeedFile(kSerialInf, Product::Serial, windows);
        // The rescan at the end of the install loads it from the package folder.
        NeedFile(kUtilitiesLibrary, Product::Serial, windows);
    }
    for (const Need& need : needs_) {
        if (IsFile(need.name)) continue;
        const bool program =
            std::any_of(std::begin(kPackagePrograms), std::end(kPackagePrograms),
                        [&](const char* name) { return EqualsIgnoringCase(name, need.name); });
        if (program && !programsChecked_) continue;
        Add(need.name, "", "",
            "missing from the package; " +
                (need.consequence.empty() ? NeededBy(need.uses) : need.consequence));
    }
}

void Checker::CheckInfSignature(const std::string& file) {
    const IniFile inf(Path(file));
    const std::optional<std::string> signature = Value(inf, "Version", "Signature");
    for (const char* accepted : {"$Windows NT$", "$Chicago$", "$Windows 95$"})
        if (signature && EqualsIgnoringCase(*signature, accepted)) return;
    Add(file, "Version", "Signature",
        (signature ? Quoted(*signature) + " is no INF signature" : std::string("missing")) +
            "; Windows does not take this INF (\"$Windows NT$\" is expected)");
}

void Checker::CheckUsbInfs() {
    const std::vector<std::string> pidList =
        config::SplitCommaText(config_.ReadString(kPidListSection, kPidListKey, ""));
    // Each INF with the Windows it is staged on.
    std::vector<std::pair<std::string, std::set<WindowsKey>>> infs;
    for (TargetWindows windows : EveryTargetWindows()) {
        const std::string inf = UsbDriverPackage(windows).inf;
        auto known =
            std::find_if(infs.begin(), infs.end(), [&](const auto& entry) { return entry.first == inf; });
        if (known == infs.end()) known = infs.emplace(infs.end(), inf, std::set<WindowsKey>{});
        known->second.insert(KeyOf(windows));
    }
    std::vector<std::string> acceptingNone;
    for (const auto& [file, windows] : infs) {
        if (!IsFile(file)) continue;  // reported with the package files
        CheckInfSignature(file);
        const IniFile inf(Path(file));
        const std::string stops = "the USB install" + WindowsPhrase(windows) +
                                  " stops with Text9 (\"Error while parsing INF file\")";
        const UsbInfReading reading = ReadUsbInf(inf, pidList);
        if (reading.manufacturer == kInfAbsent)
            Add(file, kManufacturerSection, kManufacturerKey, "missing; " + stops);
        else if (reading.stops)
            Add(file, kModelSection, ModelKey(1), "missing while " + ModelKey(0) + " is there; " + stops);
        else if (reading.models.empty())
            Add(file, kModelSection, ModelKey(0),
                "missing; no controller model is read, so the plug-in prompt keeps asking for a controller");
        bool accepted = false;
        for (const UsbInfModel& model : reading.models) {
            const std::string key = ModelKey(model.number);
            if (model.hardwareId.empty())
                Add(file, kModelSection, key,
                    "holds no \"VID\" in capitals, so it names no hardware ID; the model is never found");
            else if (!IsUsbHardwareId(model.hardwareId))
                Add(file, kModelSection, key,
                    "does not end with a hardware ID VID_xxxx&PID_xxxx (it ends with " +
                        Quoted(model.hardwareId) + "); the controller is never found");
            if (!model.accepted) continue;
            accepted = true;
            if (!Value(inf, kDescriptionSection, ModelDescriptionKey(model.number)))
                Add(file, "Strings", ModelDescriptionKey(model.number),
                    std::string("missing; the controller is described as ") + Quoted(kDefaultDescription));
        }
        if (!reading.models.empty() && !accepted) acceptingNone.push_back(file);
        if (!Value(inf, kServiceSection, kDisplayNameKey))
            Add(file, kServiceSection, "DisplayName",
                std::string("missing; the driver service is named ") + Quoted(kDefaultDisplayName));
        // 64-bit (and decorated 32-bit) Windows install the models of a
        // decorated section; setup looks for those of the plain one.
        for (const char* decorated : {"QZMfg.NTamd64", "QZMfg.NTx86"}) {
            if (!inf.SectionExists(decorated)) continue;
            std::vector<std::string> plain = inf.ReadSectionValues(kModelSection);
            std::vector<std::string> other = inf.ReadSectionValues(decorated);
            for (auto* lines : {&plain, &other})
                for (std::string& line : *lines)
                    line = Upper(line.substr(0, line.find('='))) + line.substr(line.find('='));
            if (plain != other)
                Add(file, decorated, "",
                    std::string("differs from [") + kModelSection +
                        "]; Windows installs the models of this section, setup looks for those of [" +
                        kModelSection + "]");
        }
    }
    if (!acceptingNone.empty() && !pidList.empty()) {
        std::string infsText;
        for (std::size_t i = 0; i < acceptingNone.size(); ++i)
            infsText += (i > 0 ? " or " : "") + acceptingNone[i];
        Add(kConfiguration, kPidListSection, kPidListKey,
            Quoted(config_.ReadString(kPidListSection, kPidListKey, "")) + " accepts no model of " +
                infsText + "; the install never finds a controller and the plug-in prompt keeps asking");
    }
    if (IsFile(kSerialInf)) CheckInfSignature(kSerialInf);
}

bool Checker::Placed(Product product, TargetWindows windows, const std::string& name) const {
    std::string wanted = name;
    std::replace(wanted.begin(), wanted.end(), '/', '\\');
    auto is = [&](const std::string& placed) { return EqualsIgnoringCase(placed, wanted); };
    const bool multiPortFilter = InstallsMultiPortFilter(config_, false);
    auto inFiles = [&](const std::vector<InstallFolderFile>& files) {
        return std::any_of(files.begin(), files.end(), [&](const InstallFolderFile& file) {
            return (!file.multiPortFilterOnly || multiPortFilter) && is(file.name);
        });
    };
    if (product == Product::Usb) {
        if (inFiles(UsbInstallFolderFiles(windows)) || is(kDpInstFile)) return true;
        if (windows.vistaOrLater && (inFiles(UsbVistaInstallFolderFiles(windows)) || is(kDevConFile)))
            return true;
    } else if (inFiles(SerialInstallFolderFiles(windows))) {
        return true;
    }
    for (const std::vector<std::string>& fields : items_)
        if (!fields.empty() && !fields[1].empty() && IsInsideName(fields[1]) && is(fields[1])) return true;
    for (int n = 1; n <= 10; ++n) {
        const std::string folder = config_.ReadString("system", "copysubdir" + std::to_string(n), "");
        if (folder.empty() || !IsInsideName(folder) || !IsFolder(folder)) continue;
        if (is(folder)) return true;
        for (const plat::FindData& found : List(folder + "\\*.*"))
            if (!(found.attributes & kSkippedByExtraFolderCopy) && is(folder + "\\" + found.name))
                return true;
    }
    return false;
}

void Checker::CheckInstallFolderNames() {
    auto check = [&](const std::string& section, const std::string& key, const std::string& name,
                     const std::string& what) {
        std::map<Product, std::set<WindowsKey>> missing;
        for (Product product : {Product::Usb, Product::Serial})
            for (TargetWindows windows : EveryTargetWindows())
                if (!Placed(product, windows, name)) missing[product].insert(KeyOf(windows));
        if (missing.empty()) return;
        Add(kConfiguration, section, key,
            Quoted(name) + " is not in the install folder after " + InstallsText(missing) + "; " + what);
    };
    const std::string iconFile = config_.ReadString("system", "iconfile", "default");
    if (iconFile != "default")
        check("system", "iconfile", iconFile, "the touch tool's shortcuts get no icon");
    for (std::size_t n = 1; n <= items_.size(); ++n) {
        const std::vector<std::string>& fields = items_[n - 1];
        if (fields.empty() || (config::ParseIniInteger(fields[2]).value_or(0) & 3) == 0) continue;
        // An empty target is the install folder itself; the item's own file
        // has been checked with the item.
        if (fields[3].empty() || EqualsIgnoringCase(fields[3], fields[1])) continue;
        check("additional", "item" + std::to_string(n), fields[3], "its shortcuts lead nowhere");
    }
}

}  // namespace

PackageCheck CheckPackage(const std::string& folder) {
    return Checker(folder).Run();
}

}  // namespace setup
