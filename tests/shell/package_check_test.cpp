// The package check on the sample package of the repository, and on broken
// copies of it: each mistake found once, with its own line.
#include "shell/package_check.h"

#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <vector>

#include "case_name.h"
#include "config/ini_text.h"
#include "sim_fixture.h"
#include "system/package_tools.h"

namespace {

using ::testing::ElementsAre;

// The text saved as UTF-8 instead of code page 1252 (its letters are Latin-1 ones).
std::string Latin1ToUtf8(const std::string& text) {
    std::string utf8;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

// The header of a bitmap file of that size.
std::string BitmapHeader(std::int32_t width, std::int32_t height) {
    std::string header = "BM";
    header.resize(54, '\0');
    for (int i = 0; i < 4; ++i) {
        header[18 + i] = static_cast<char>((static_cast<std::uint32_t>(width) >> (8 * i)) & 0xFF);
        header[22 + i] = static_cast<char>((static_cast<std::uint32_t>(height) >> (8 * i)) & 0xFF);
    }
    return header;
}
using ::testing::IsEmpty;

constexpr const char* kPackage = "C:\\Package";

// The sample package in C:\Package of the simulated PC, and the edits that break it.
class SamplePackage {
public:
    explicit SamplePackage(sim::SimPc& pc) : pc_(pc) {
        pc_.files.AddHostFolder(std::string(SETUP_SOURCE_DIR) + "/package", kPackage);
    }

    // The package's programs and libraries, as an assembled package holds them.
    void AddPrograms() {
        for (const char* program : setup::kPackagePrograms) Write(program, "MZ");
    }
    void Remove(const std::string& name) { pc_.files.Remove(Path(name)); }
    void Write(const std::string& name, const std::string& contents) {
        pc_.files.AddFile(Path(name), contents);
    }
    std::string Read(const std::string& name) const { return pc_.files.Contents(Path(name)); }
    // Sets a key of an INI file the way the profile functions write it.
    void Set(const std::string& name, const std::string& section, const std::string& key,
             const std::string& value) {
        Write(name, config::SetIniValue(Read(name), section, key, value));
    }
    // Replaces the first occurrence of a text, which must be there.
    void Replace(const std::string& name, const std::string& from, const std::string& to) {
        std::string text = Read(name);
        const std::size_t at = text.find(from);
        if (at == std::string::npos) throw std::logic_error(name + " does not hold " + from);
        Write(name, text.replace(at, from.size(), to));
    }
    // Replaces the first occurrence of a text after the first occurrence of `anchor`.
    void ReplaceAfter(const std::string& name, const std::string& anchor, const std::string& from,
                      const std::string& to) {
        std::string text = Read(name);
        const std::size_t at = text.find(from, text.find(anchor));
        if (text.find(anchor) == std::string::npos || at == std::string::npos)
            throw std::logic_error(name + " does not hold " + from + " after " + anchor);
        Write(name, text.replace(at, from.size(), to));
    }
    // Removes the line that starts with `start`.
    void RemoveLine(const std::string& name, const std::string& start) {
        std::string text = Read(name);
        const std::size_t at = text.find("\n" + start);
        if (at == std::string::npos) throw std::logic_error(name + " has no line " + start);
        Write(name, text.erase(at + 1, text.find('\n', at + 1) - at));
    }

private:
    static std::string Path(const std::string& name) { return std::string(kPackage) + "\\" + name; }
    sim::SimPc& pc_;
};

class PackageCheckTest : public SimTest {
protected:
    std::vector<std::string> Problems() {
        const setup::PackageCheck check = setup::CheckPackage(kPackage);
        programsChecked = check.programsChecked;
        std::vector<std::string> lines;
        for (const setup::PackageProblem& problem : check.problems)
            lines.push_back(setup::FormatProblem(problem));
        return lines;
    }

    SamplePackage package{pc};
    bool programsChecked = false;
};

TEST_F(PackageCheckTest, SampleSourcesPassWithoutTheirPrograms) {
    EXPECT_THAT(Problems(), IsEmpty());
    EXPECT_FALSE(programsChecked);
}

TEST_F(PackageCheckTest, AssembledSamplePassesWithItsPrograms) {
    package.AddPrograms();
    EXPECT_THAT(Problems(), IsEmpty());
    EXPECT_TRUE(programsChecked);
}

TEST_F(PackageCheckTest, WithoutConfigurationThereIsNothingElseToCheck) {
    package.Remove("default.ini");
    EXPECT_THAT(Problems(),
                ElementsAre("default.ini: missing; setup stops at start (\"ERROR : Can't retrieve "
                            "setup configuration file#1! Setup aborted!\")"));
}

TEST_F(PackageCheckTest, FilesOfSettingsThatAreOffAreNotNeeded) {
    package.AddPrograms();
    package.Set("default.ini", "system", "createcontrolpanel", "0");
    package.Set("default.ini", "system", "allowmultiport", "0");
    for (const char* applet : {"touchcfg.cpl", "touchcfgv.cpl", "touchcfg64.cpl", "touchcfg64v.cpl"})
        package.Remove(applet);
    package.Remove(setup::kHidFilterProgram);
    EXPECT_THAT(Problems(), IsEmpty());
}

struct BrokenCase {
    const char* name;
    std::function<void(SamplePackage&)> breakIt;
    std::vector<std::string> problems;
    bool assembled = false;  // with the package's programs
};

class BrokenPackageTest : public PackageCheckTest, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenPackageTest, FindsTheMistakeOnce) {
    if (GetParam().assembled) package.AddPrograms();
    GetParam().breakIt(package);
    EXPECT_EQ(Problems(), GetParam().problems);
}

// Files the installs copy, run or load, by architecture and Windows generation.
INSTANTIATE_TEST_SUITE_P(
    Files, BrokenPackageTest,
    ::testing::Values(
        BrokenCase{"VirtualTouchDriverFor64BitVista",
                   [](SamplePackage& p) { p.Remove("xp64\\vtouch.sys"); },
                   {"xp64\\vtouch.sys: missing from the package; the USB install on 64-bit Windows Vista and "
                    "later needs it"}},
        BrokenCase{"VistaAppletFor64Bit",
                   [](SamplePackage& p) { p.Remove("touchcfg64v.cpl"); },
                   {"touchcfg64v.cpl: missing from the package; the USB install on 64-bit Windows Vista and "
                    "later needs it"}},
        BrokenCase{
            "AppletBothProductsTakeOn32BitWindows",
            [](SamplePackage& p) { p.Remove("touchcfg.cpl"); },
            {"touchcfg.cpl: missing from the package; the USB install on 32-bit Windows before Vista and "
             "the RS-232 install on 32-bit Windows need it"}},
        BrokenCase{
            "VistaCatalogFor32Bit",
            [](SamplePackage& p) { p.Remove("qzusbfv.cat"); },
            {"qzusbfv.cat: missing from the package; the USB install on 32-bit Windows Vista and later "
             "needs it"}},
        BrokenCase{
            "EarlierCatalogFor64Bit",
            [](SamplePackage& p) { p.Remove("xp64\\qzusbf.cat"); },
            {"xp64\\qzusbf.cat: missing from the package; the USB install on 64-bit Windows before Vista "
             "needs it"}},
        BrokenCase{
            "SerialDriverFor64Bit",
            [](SamplePackage& p) { p.Remove("xp64\\232\\qz232.sys"); },
            {"xp64\\232\\qz232.sys: missing from the package; the RS-232 install on 64-bit Windows needs "
             "it"}},
        BrokenCase{"SerialInfRegisteredOnEveryWindows",
                   [](SamplePackage& p) { p.Remove("232\\qz232.inf"); },
                   {"232\\qz232.inf: missing from the package; the RS-232 install needs it"}},
        BrokenCase{"ReadmeOfEveryInstall",
                   [](SamplePackage& p) { p.Remove("readme.txt"); },
                   {"readme.txt: missing from the package; every install needs it"}},
        BrokenCase{
            "InfTemplate",
            [](SamplePackage& p) { p.Remove("infraw.dat"); },
            {"infraw.dat: missing from the package; every install stops with Text9 (\"Error while parsing "
             "INF file\")"}},
        BrokenCase{"SetupLibrary",
                   [](SamplePackage& p) { p.Remove("setup.dll"); },
                   {"setup.dll: missing from the package; setup stops at start (\"SETUP.DLL not found!\")"},
                   true},
        BrokenCase{"TouchToolBeforeVista",
                   [](SamplePackage& p) { p.Remove("touchcfg_xp.exe"); },
                   {"touchcfg_xp.exe: missing from the package; every install before Windows Vista needs it"},
                   true},
        BrokenCase{"SetDev64",
                   [](SamplePackage& p) { p.Remove("setdev64.exe"); },
                   {"setdev64.exe: missing from the package; the USB install needs it"},
                   true},
        BrokenCase{"MultiPortFilterWhenConfigured",
                   [](SamplePackage& p) { p.Remove("hidfilter.exe"); },
                   {"hidfilter.exe: missing from the package; the USB install needs it"},
                   true},
        BrokenCase{"UninstallerShippedAsSetupDat",
                   [](SamplePackage& p) { p.Remove("setup.dat"); },
                   {"setup.dat: missing from the package; every install needs it"},
                   true},
        BrokenCase{"InstalledConfigurationInThePackage",
                   [](SamplePackage& p) { p.Write("setup.ini", "[SYSTEM]\r\nproduct=0\r\n"); },
                   {"setup.ini: must not be in the package; setup started beside it takes itself for an "
                    "installed copy and installs nothing"}}),
    test_support::CaseName());

// Settings that fall back to defaults or stop setup, and names it cannot use.
INSTANTIATE_TEST_SUITE_P(
    Settings, BrokenPackageTest,
    ::testing::Values(
        BrokenCase{
            "ColourInWords",
            [](SamplePackage& p) { p.Set("default.ini", "system", "formcolor", "white"); },
            {"default.ini [system] formcolor: \"white\" is not a number; setup uses the default 0xFF00000F"}},
        BrokenCase{"ColourOfNineHexadecimalDigits",
                   [](SamplePackage& p) { p.Set("default.ini", "system", "textcolor", "0x100603010"); },
                   {"default.ini [system] textcolor: \"0x100603010\" is not a number; setup uses the default "
                    "0xFF000008"}},
        BrokenCase{"EmptySwitch",
                   [](SamplePackage& p) { p.Set("default.ini", "system", "usbonly", ""); },
                   {"default.ini [system] usbonly: empty; setup uses the default 0"}},
        BrokenCase{"TimeWithUnit",
                   [](SamplePackage& p) { p.Set("default.ini", "TouchCFG", "rbtime", "1.5s"); },
                   {"default.ini [TouchCFG] rbtime: \"1.5s\" is not a number; setup uses the default 2000"}},
        BrokenCase{
            "KeyWrittenTwice",
            [](SamplePackage& p) { p.Replace("default.ini", "product=0\r\n", "product=0\r\nProduct=1\r\n"); },
            {"default.ini [system] Product: set more than once; only the first one counts"}},
        BrokenCase{
            "NoManufacturer",
            [](SamplePackage& p) { p.RemoveLine("default.ini", "manufacturer="); },
            {"default.ini [INFData] manufacturer: missing; setup stops at start with Text15 (\"Error while "
             "parsing SETUP.INI file\")"}},
        BrokenCase{
            "ManufacturerNil",
            [](SamplePackage& p) { p.Set("default.ini", "INFData", "manufacturer", "nil"); },
            {"default.ini [INFData] manufacturer: \"nil\"; setup stops at start with Text15 (\"Error while "
             "parsing SETUP.INI file\")"}},
        BrokenCase{
            "EmptyPidList",
            [](SamplePackage& p) { p.Set("default.ini", "INFData", "PIDList", ""); },
            {"default.ini [INFData] PIDList: missing or empty; every install stops with Text9 (\"Error "
             "while parsing INF file\")"}},
        BrokenCase{
            "PidListOfNoModel",
            [](SamplePackage& p) { p.Set("default.ini", "INFData", "PIDList", "0399"); },
            {"default.ini [INFData] PIDList: \"0399\" accepts no model of qzusbf.inf or xp64\\qzusbf.inf; "
             "the install never finds a controller and the plug-in prompt keeps asking"}},
        BrokenCase{
            "AutomaticLanguageWithoutFolder",
            [](SamplePackage& p) { p.Set("default.ini", "LanguagePacks", "folder", ""); },
            {"default.ini [LanguagePacks] folder: missing or empty while language is auto; setup stops at "
             "start (\"ERROR : Can't retrieve setup configuration file#2! Setup aborted!\")"}},
        BrokenCase{
            "InstallFolderTwoLevelsDeep",
            [](SamplePackage& p) { p.Set("default.ini", "system", "targetdir", "Example\\Touch"); },
            {"default.ini [system] targetdir: \"Example\\Touch\" is not a plain folder name; the install "
             "creates one folder below Program Files and cannot place its files in anything deeper"}},
        BrokenCase{
            "EmptyInstallFolder",
            [](SamplePackage& p) { p.Set("default.ini", "system", "targetdir", ""); },
            {"default.ini [system] targetdir: empty; the install puts its files straight into the Program "
             "Files folder"}},
        BrokenCase{
            "BackgroundMissing",
            [](SamplePackage& p) { p.Remove("background.bmp"); },
            {"default.ini [system] background: \"background.bmp\" is missing from the package; the window "
             "shows no picture"}},
        BrokenCase{
            "BackgroundOfAnotherFormat",
            [](SamplePackage& p) { p.Set("default.ini", "system", "background", "background.png"); },
            {"default.ini [system] background: \"background.png\" is no picture the window shows (bitmap, "
             "JPEG, GIF, icon or metafile); it stays without one"}},
        BrokenCase{
            "BackgroundOfAnotherSize",
            [](SamplePackage& p) { p.Write("background.bmp", BitmapHeader(640, -480)); },
            {"default.ini [system] background: \"background.bmp\" is 640 x 480 pixels; the window shows 520 "
             "x 320 from the top left corner"}},
        BrokenCase{
            "BackgroundThatIsNoBitmap",
            [](SamplePackage& p) { p.Write("background.bmp", "GIF89a"); },
            {"default.ini [system] background: \"background.bmp\" is not a bitmap file; the window shows no "
             "picture"}}),
    test_support::CaseName());

// Language files: the packs the configuration relies on, their texts and their code pages.
INSTANTIATE_TEST_SUITE_P(
    Languages, BrokenPackageTest,
    ::testing::Values(
        BrokenCase{
            "LanguageFolderMissing",
            [](SamplePackage& p) { p.Set("default.ini", "LanguagePacks", "folder", "lang"); },
            {"default.ini [LanguagePacks] folder: \"lang\" is no folder of the package; every language gets "
             "the texts of default.ini"}},
        BrokenCase{"LanguageFolderWithoutPacks",
                   [](SamplePackage& p) {
                       for (const char* code : {"CHS", "DEU", "ENU"})
                           p.Remove(std::string("language\\language.") + code);
                   },
                   {"default.ini [LanguagePacks] folder: \"language\" holds no language pack (language.ENU, "
                    "language.DEU, ...); every language gets the texts of default.ini"}},
        BrokenCase{
            "PackOfACodeWindowsNeverReports",
            [](SamplePackage& p) { p.Write("language\\language.ENG", p.Read("language\\language.ENU")); },
            {"language\\language.ENG: Windows reports no language as \"ENG\" (for it setup looks for "
             "language.ENU), so this pack is never used"}},
        BrokenCase{
            "PackLacksAText",
            [](SamplePackage& p) { p.RemoveLine("language\\language.DEU", "Text7="); },
            {"language\\language.DEU [SetupText] Text7: missing; setup shows its built-in text \"Quit\""}},
        BrokenCase{
            "PackWithoutTexts",
            [](SamplePackage& p) { p.Replace("language\\language.DEU", "[SetupText]", "[Setup Text]"); },
            {"language\\language.DEU [SetupText]: missing; setup shows its built-in English texts"}},
        BrokenCase{
            "ConfigurationWithoutTexts",
            [](SamplePackage& p) { p.Replace("default.ini", "[SetupText]", "[Setup Text]"); },
            {"default.ini [SetupText]: missing; setup shows its built-in English texts wherever no language "
             "pack takes over"}},
        BrokenCase{
            "PackLacksAToolText",
            [](SamplePackage& p) { p.RemoveLine("language\\language.DEU", "Calibrate="); },
            {"language\\language.DEU [TouchCFGTEXT] Calibrate: missing, while default.ini has it; the touch "
             "tool gets no such text in this language"}},
        BrokenCase{
            "PackLacksAShortcutName",
            [](SamplePackage& p) { p.RemoveLine("language\\language.DEU", "item1="); },
            {"language\\language.DEU [ADDITIONAL] item1: missing; the shortcuts of default.ini's item1 keep "
             "the name \"User manual\""}},
        BrokenCase{"PackShortcutNameWithAFolder",
                   [](SamplePackage& p) {
                       p.Set("language\\language.DEU", "ADDITIONAL", "item2", "Touch\\Kalibrieren");
                   },
                   {"language\\language.DEU [ADDITIONAL] item2: the install refuses the shortcut name "
                    "\"Touch\\Kalibrieren\" (it must be a plain file name) and makes no shortcut"}},
        BrokenCase{
            "PackTextWrittenTwice",
            [](SamplePackage& p) { p.Replace("language\\language.DEU", "Text6=", "TEXT5=Los\r\nText6="); },
            {"language\\language.DEU [SetupText] TEXT5: set more than once; only the first one counts"}},
        BrokenCase{
            "GroupNameWithAFolder",
            [](SamplePackage& p) { p.Set("default.ini", "SetupText", "groupname", "Example/Touch"); },
            {"default.ini [SetupText] groupname: \"Example/Touch\" is no plain file name, which the program "
             "group's folder in the Start menu needs; the install cannot create it"}},
        BrokenCase{
            "PackSavedAsUtf8",
            [](SamplePackage& p) {
                p.Write("language\\language.DEU", Latin1ToUtf8(p.Read("language\\language.DEU")));
            },
            {"language\\language.DEU: saved as UTF-8; Windows reads it as ANSI text, so letters beyond ASCII "
             "come out garbled and a byte-order mark becomes part of the first line: save it in code page "
             "1252 or as Unicode (UTF-16)"}},
        BrokenCase{
            "ChinesePackOutsideItsCodePage",
            [](SamplePackage& p) {
                p.Replace("language\\language.CHS", "groupname=Example Touch", "groupname=Example Touch\xFF");
            },
            {"language\\language.CHS: line 5 holds a byte that is no character of code page 936, in which "
             "Windows of this language reads it: save it in code page 936 or as Unicode (UTF-16)"}},
        BrokenCase{
            "VersionInAnotherText",
            [](SamplePackage& p) {
                p.Set("default.ini", "SetupText", "Text17", "Version !@MAJOR.!@MINOR is installed.");
            },
            {"default.ini [SetupText] Text17: \"!@MAJOR\" and \"!@MINOR\" stay as they stand where setup "
             "shows it from the package: it fills the version only into Text1 and the touch tool's texts"}},
        BrokenCase{
            "SecondPlaceholderInTheCaption",
            [](SamplePackage& p) {
                p.Set("language\\language.DEU", "SetupText", "Text1", "Setup !@MAJOR.!@MINOR (!@MAJOR)");
            },
            {"language\\language.DEU [SetupText] Text1: only the first of each placeholder is filled, so a "
             "second \"!@MAJOR\" stays as it stands"}},
        BrokenCase{
            "PlaceholderThatIsNone",
            [](SamplePackage& p) {
                p.Set("language\\language.DEU", "TouchCFGTEXT", "Caption", "Touchscreen V!@VERSION");
            },
            {"language\\language.DEU [TouchCFGTEXT] Caption: \"!@VERSION\" is no placeholder (only !@MAJOR, "
             "!@MINOR and !@RELEASE, in capitals, are filled)"}},
        BrokenCase{
            "PlaceholderInLowerCase",
            [](SamplePackage& p) { p.Set("language\\language.ENU", "SetupText", "Text1", "Setup V!@major"); },
            {"language\\language.ENU [SetupText] Text1: \"!@major\" is no placeholder (only !@MAJOR, "
             "!@MINOR and !@RELEASE, in capitals, are filled)"}}),
    test_support::CaseName());

// [additional] items, the extra folders and the names the install refuses.
INSTANTIATE_TEST_SUITE_P(
    Items, BrokenPackageTest,
    ::testing::Values(
        BrokenCase{
            "ItemOfFourFields",
            [](SamplePackage& p) {
                p.Set("default.ini", "additional", "item2", "|Calibrate touch screen| || |1| |touchcfg.exe|");
            },
            {"default.ini [additional] item2: has 4 fields, five are needed (name, file, shortcuts, target, "
             "arguments); the install ends in the fatal-error report"}},
        BrokenCase{
            "ItemFileMissing",
            [](SamplePackage& p) { p.Remove("manual.txt"); },
            {"default.ini [additional] item1: the file \"manual.txt\" is missing from the package; nothing "
             "is copied"}},
        BrokenCase{
            "ItemFileOutsideThePackage",
            [](SamplePackage& p) {
                p.Set("default.ini", "additional", "item1",
                      "|User manual| |..\\manual.txt| |1| |..\\manual.txt| ||");
            },
            {"default.ini [additional] item1: the install refuses the file name \"..\\manual.txt\": it must "
             "name a file inside the package"}},
        BrokenCase{
            "ItemShortcutNameWithAFolder",
            [](SamplePackage& p) {
                p.Set("default.ini", "additional", "item1",
                      "|Docs\\User manual| |manual.txt| |1| |manual.txt| ||");
            },
            {"default.ini [additional] item1: the install refuses the shortcut name \"Docs\\User manual\" "
             "(it must be a plain file name) and makes no shortcut"}},
        BrokenCase{
            "ItemShortcutFlagsInWords",
            [](SamplePackage& p) {
                p.Set("default.ini", "additional", "item2",
                      "|Calibrate touch screen| || |menu| |touchcfg.exe| |/calib|");
            },
            {"default.ini [additional] item2: the shortcut flags \"menu\" are no number; no shortcut is "
             "made"}},
        BrokenCase{
            "ItemShortcutToNothing",
            [](SamplePackage& p) {
                p.Set("default.ini", "additional", "item2",
                      "|Calibrate touch screen| || |1| |touchcfg2.exe| |/calib|");
            },
            {"default.ini [additional] item2: \"touchcfg2.exe\" is not in the install folder after every "
             "install; its shortcuts lead nowhere"}},
        BrokenCase{"ItemShortcutToAUsbTool",
                   [](SamplePackage& p) {
                       p.Set("default.ini", "additional", "item2", "|Device tool| || |2| |setdev64.exe| ||");
                   },
                   {"default.ini [additional] item2: \"setdev64.exe\" is not in the install folder after the "
                    "RS-232 install; its shortcuts lead nowhere"}},
        BrokenCase{
            "ItemShortcutToTheVirtualTouchPackage",
            [](SamplePackage& p) {
                p.Set("default.ini", "additional", "item2", "|Touch driver| || |1| |vtouch.inf| ||");
            },
            {"default.ini [additional] item2: \"vtouch.inf\" is not in the install folder after the USB "
             "install before Windows Vista and the RS-232 install; its shortcuts lead nowhere"}},
        BrokenCase{"IconNotInstalled",
                   [](SamplePackage& p) { p.Set("default.ini", "system", "iconfile", "touch2.ico"); },
                   {"default.ini [system] iconfile: \"touch2.ico\" is not in the install folder after every "
                    "install; the touch tool's shortcuts get no icon"}},
        BrokenCase{
            "ExtraFolderOutsideThePackage",
            [](SamplePackage& p) { p.Set("default.ini", "system", "copysubdir1", "..\\docs"); },
            {"default.ini [system] copysubdir1: the install refuses the folder name \"..\\docs\": it must "
             "name a folder inside the package"}},
        BrokenCase{
            "ExtraFolderMissing",
            [](SamplePackage& p) { p.Set("default.ini", "system", "copysubdir2", "manuals"); },
            {"default.ini [system] copysubdir2: \"manuals\" is no folder of the package; nothing is copied"}},
        BrokenCase{
            "ExtraFolderWithASubFolder",
            [](SamplePackage& p) { p.Write("docs\\old\\support.txt", "Call us."); },
            {"default.ini [system] copysubdir1: the install copies only the plain files of \"docs\", not "
             "\"old\" (sub-folders, hidden and system files)"}}),
    test_support::CaseName());

// The calibration defaults.
INSTANTIATE_TEST_SUITE_P(
    Calibration, BrokenPackageTest,
    ::testing::Values(
        BrokenCase{
            "PointCountNotOffered",
            [](SamplePackage& p) { p.Set("default.ini", "calibusb", "max_point", "7"); },
            {"default.ini [calibusb] max_point: \"7\" is not 5, 12, 16 or 25; no calibration is written"}},
        BrokenCase{"PointCountMissing",
                   [](SamplePackage& p) { p.RemoveLine("default.ini", "max_point="); },
                   {"default.ini [calibusb] max_point: missing; no calibration is written"}},
        BrokenCase{"PointCountInWords",
                   [](SamplePackage& p) { p.Set("default.ini", "calib232", "max_point", "five"); },
                   {"default.ini [calib232] max_point: \"five\" is not a number; setup uses the default 0"}},
        BrokenCase{"ListTooShort",
                   [](SamplePackage& p) { p.Set("default.ini", "calibusb", "sx", "4096,28671,4096,28671"); },
                   {"default.ini [calibusb] sx: 4 entries for 5 points; no calibration is written"}},
        BrokenCase{
            "TrailingCommaAddsAnEntry",
            [](SamplePackage& p) { p.Set("default.ini", "calibusb", "uy", "4150,4122,28610,28655,16371,"); },
            {"default.ini [calibusb] uy: 6 entries for 5 points; no calibration is written"}},
        BrokenCase{
            "EntryThatIsNoNumber",
            [](SamplePackage& p) { p.Set("default.ini", "calib232", "uy", "8300,8244,57220,57310,x"); },
            {"default.ini [calib232] uy: entry 5 \"x\" is not a number; the install ends in the fatal-error "
             "report"}},
        BrokenCase{
            "EntryThatIsNoNumberAfterAShortList",
            [](SamplePackage& p) {
                p.Set("default.ini", "calib232", "sx", "8192,57343");
                p.Set("default.ini", "calib232", "sy", "8192,8192,x,57343,32768");
            },
            {"default.ini [calib232] sx: 2 entries for 5 points; no calibration is written",
             "default.ini [calib232] sy: entry 3 \"x\" is not a number; an install that reads it ends in the "
             "fatal-error report"}}),
    test_support::CaseName());

// The USB INF setup reads and the INFs Windows must take.
INSTANTIATE_TEST_SUITE_P(
    Infs, BrokenPackageTest,
    ::testing::Values(
        BrokenCase{"NoManufacturerString",
                   [](SamplePackage& p) { p.RemoveLine("qzusbf.inf", "QZMfg "); },
                   {"qzusbf.inf [Strings] QZMfg: missing; the USB install on 32-bit Windows stops with Text9 "
                    "(\"Error while parsing INF file\")"}},
        BrokenCase{
            "SecondModelMissing",
            [](SamplePackage& p) { p.RemoveLine("qzusbf.inf", "%QZUSB_01%"); },
            {"qzusbf.inf [QZMfg] %QZUSB_01%: missing while %QZUSB_00% is there; the USB install on 32-bit "
             "Windows stops with Text9 (\"Error while parsing INF file\")"}},
        BrokenCase{
            "FirstModelMissing",
            [](SamplePackage& p) { p.Replace("qzusbf.inf", "%QZUSB_00% =", "%QZUSB_10% ="); },
            {"qzusbf.inf [QZMfg] %QZUSB_00%: missing; no controller model is read, so the plug-in prompt "
             "keeps asking for a controller"}},
        BrokenCase{
            "ModelInLowerCase",
            [](SamplePackage& p) {
                p.Replace("qzusbf.inf", "USB\\VID_0D7A&PID_0302", "USB\\vid_0d7a&pid_0302");
            },
            {"qzusbf.inf [QZMfg] %QZUSB_02%: holds no \"VID\" in capitals, so it names no hardware ID; the "
             "model is never found"}},
        BrokenCase{
            "ModelWithACommentAfterItsId",
            [](SamplePackage& p) {
                p.Replace("qzusbf.inf", "USB\\VID_0D7A&PID_0303", "USB\\VID_0D7A&PID_0303 ; kiosk");
            },
            {"qzusbf.inf [QZMfg] %QZUSB_03%: does not end with a hardware ID VID_xxxx&PID_xxxx (it ends with "
             "\"VID_0D7A&PID_0303 ; kiosk\"); the controller is never found"}},
        BrokenCase{"DescriptionMissing",
                   [](SamplePackage& p) { p.RemoveLine("qzusbf.inf", "QZUSB_04 "); },
                   {"qzusbf.inf [Strings] QZUSB_04: missing; the controller is described as \"Touch USB\""}},
        BrokenCase{
            "DisplayNameMissing",
            [](SamplePackage& p) { p.RemoveLine("xp64\\qzusbf.inf", "DisplayName "); },
            {"xp64\\qzusbf.inf [QZK_Driver_Service_Inst] DisplayName: missing; the driver service is named "
             "\"Touch screen driver\""}},
        BrokenCase{
            "DecoratedModelsDiffer",
            [](SamplePackage& p) {
                p.ReplaceAfter("xp64\\qzusbf.inf", "[QZMfg.NTamd64]", "PID_0300", "PID_0399");
            },
            {"xp64\\qzusbf.inf [QZMfg.NTamd64]: differs from [QZMfg]; Windows installs the models of this "
             "section, setup looks for those of [QZMfg]"}},
        BrokenCase{
            "SerialInfWithoutSignature",
            [](SamplePackage& p) { p.RemoveLine("232\\qz232.inf", "Signature "); },
            {"232\\qz232.inf [Version] Signature: missing; Windows does not take this INF (\"$Windows NT$\" "
             "is expected)"}}),
    test_support::CaseName());

}  // namespace