// The startup sequence on machines of each Windows family, locale and
// configuration.
#include <gmock/gmock.h>

#include "case_name.h"
#include "shell/shell_fixture.h"

using ::testing::Contains;

namespace {

class StartupSystemTest : public ShellTest {
protected:
    StartupSystemTest() {
        AddSetupDll(0);
        pc.registry.SetString("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                              "C:\\Program Files");
        pc.registry.SetString("HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
                              "ProgramFilesDir", "C:\\Program Files (x86)");
    }

    void AddSetupDll(std::int32_t flag) {
        sim::LibraryModel model;
        model.exports["VEXA_GetSetupFlag"] = [flag](sim::SimPc&) { return flag; };
        pc.libraries.AddLibrary("C:\\Package\\setup.dll", model);
    }

    void Machine(plat::DWord major, plat::DWord minor, bool is64) {
        pc.facts.major = major;
        pc.facts.minor = minor;
        pc.facts.is64Bit = is64;
    }
};

struct FamilyCase {
    const char* name;
    plat::DWord major, minor;
    bool is64;
    bool xp, vista, win7;
    const char* programFiles;
};

class WindowsFamilyTest : public StartupSystemTest, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(WindowsFamilyTest, SetsVersionFlagsAndFolders) {
    const FamilyCase& c = GetParam();
    Machine(c.major, c.minor, c.is64);
    WritePackageIni();
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_TRUE(form.IsNT);
    EXPECT_EQ(form.IsXpOr2003, c.xp);
    EXPECT_EQ(form.IsVistaOrLater, c.vista);
    EXPECT_EQ(form.IsWin7OrLater, c.win7);
    EXPECT_EQ(form.Is64Bit, c.is64 ? 1 : 0);
    EXPECT_EQ(form.ProgramFilesDir, c.programFiles);
    EXPECT_THAT(trace, Contains("Ver=" + std::to_string(c.major) + "." + std::to_string(c.minor)));
    EXPECT_THAT(trace, Contains(c.is64 ? "--for AMD64" : "--for x86"));
    EXPECT_EQ(setup::Wow64EnableFsRedirection != 0, c.is64);
    EXPECT_EQ(form.WindowsDir, "C:\\Windows");
    EXPECT_EQ(form.TempDir, "C:\\Temp\\");
    EXPECT_EQ(form.TargetSubDir, "\\Brivo");
    EXPECT_TRUE(pc.windows.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Families, WindowsFamilyTest,
    ::testing::Values(FamilyCase{"Windows2000", 5, 0, false, false, false, false, "C:\\Program Files"},
                      FamilyCase{"XP", 5, 1, false, true, false, false, "C:\\Program Files"},
                      FamilyCase{"XPx64", 5, 2, true, true, false, false, "C:\\Program Files (x86)"},
                      FamilyCase{"Vista", 6, 0, false, false, true, false, "C:\\Program Files"},
                      FamilyCase{"Seven32", 6, 1, false, false, true, true, "C:\\Program Files"},
                      FamilyCase{"Seven64", 6, 1, true, false, true, true, "C:\\Program Files (x86)"},
                      FamilyCase{"MajorTen", 10, 0, true, false, false, false, "C:\\Program Files (x86)"}),
    test_support::CaseName());

TEST_F(StartupSystemTest, Windows9xIsRefused) {
    pc.facts.win9x = true;
    pc.facts.major = 4;
    pc.facts.minor = 10;
    WritePackageIni();
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(RunProgram(), 0u);
    const sim::BoxRecord& box = OnlyBox();
    EXPECT_EQ(
        box.text,
        "This program no longer support Windows version lower than XP! Please contact your distributor for "
        "support!");
    EXPECT_EQ(box.caption, "WARNING !!!");
    EXPECT_EQ(box.flags, 0x1030u);
    EXPECT_EQ(box.owner, 0u);
}

TEST_F(StartupSystemTest, Missing64BitRedirectionSwitchIsReportedAndStartupGoesOn) {
    pc.libraries.SetSystemExport("kernel32.dll", "Wow64EnableWow64FsRedirection", false);
    WritePackageIni();
    pc.windows.Answer(plat::kIdOk);
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(OnlyBox().text, "Internal error for 64 bits setup!");
    EXPECT_EQ(form.Is64Bit, 1);
}

struct LocaleCase {
    const char* name;
    const char* answer;
    const char* code;
};

class LocaleTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleTest, MapsTheAbbreviation) {
    EXPECT_EQ(setup::MapLanguageCode(GetParam().answer), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LocaleTest,
    ::testing::Values(LocaleCase{"English", "ENU", "ENU"}, LocaleCase{"British", "ENG", "ENU"},
                      LocaleCase{"German", "DEU", "DEU"}, LocaleCase{"Swiss", "DES", "DEU"},
                      LocaleCase{"Brazilian", "PTB", "PTG"}, LocaleCase{"Spanish", "ESN", "ESP"},
                      LocaleCase{"French", "FRA", "FRA"}, LocaleCase{"Arabic", "ARE", "ARA"},
                      LocaleCase{"PrcChinese", "ZHI", "CHS"}, LocaleCase{"LowerCase", "zhi", "CHS"},
                      LocaleCase{"HongKong", "ZHH", "CHT"}, LocaleCase{"Macao", "ZHM", "CHT"},
                      LocaleCase{"Simplified", "CHS", "CHS"}, LocaleCase{"Traditional", "CHT", "CHT"},
                      LocaleCase{"Japanese", "JPN", "JPN"},
                      // Unmapped answers stay as the system gave them.
                      LocaleCase{"UnmappedLower", "jpn", "jpn"}),
    test_support::CaseName());

struct LanguageFileCase {
    const char* name;
    const char* locale;
    bool packPresent;
    const char* caption;
};

class LanguageFileTest : public StartupSystemTest, public ::testing::WithParamInterface<LanguageFileCase> {};

TEST_P(LanguageFileTest, TextsComeFromThePackOrTheConfiguration) {
    const LanguageFileCase& c = GetParam();
    pc.facts.locale = c.locale;
    WritePackageIni(
        "[LanguagePacks]\r\nlanguage=auto\r\nfolder=lang\r\n[INFData]\r\nmanufacturer=Acme\r\n"
        "[SetupText]\r\nText1=Configuration\r\n");
    if (c.packPresent) {
        pc.files.AddFile(std::string("C:\\Package\\lang\\language.") + setup::MapLanguageCode(c.locale),
                         "[SetupText]\r\nText1=Pack\r\nText5=&Installieren\r\n");
    }
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(pc.ui.caption, c.caption);
    EXPECT_EQ(pc.ui.applicationTitle, c.caption);
}

INSTANTIATE_TEST_SUITE_P(
    Packs, LanguageFileTest,
    ::testing::Values(LanguageFileCase{"GermanWithPack", "DEU", true, "Pack"},
                      LanguageFileCase{"GermanWithoutPack", "DEU", false, "Configuration"},
                      LanguageFileCase{"PrcChineseWithPack", "ZHI", true, "Pack"},
                      LanguageFileCase{"HongKongWithPack", "ZHH", true, "Pack"},
                      LanguageFileCase{"JapaneseWithoutPack", "JPN", false, "Configuration"},
                      LanguageFileCase{"BrazilianWithPack", "PTB", true, "Pack"}),
    test_support::CaseName());

TEST_F(StartupSystemTest, FailedLocaleQueryKeepsEnglish) {
    pc.facts.locale = "DEU";
    pc.FailCall("GetLocaleInfoA", plat::kErrorInvalidParameter);
    WritePackageIni();
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(form.LangCode, "ENU");
}

struct StopCase {
    const char* name;
    const char* ini;
    std::function<void(sim::SimPc&)> arrange;
    const char* text;  // the one box, or empty for a silent stop
    const char* caption;
};

class StartupStopTest : public StartupSystemTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StartupStopTest, ShowsOneMessageAndEnds) {
    const StopCase& c = GetParam();
    WritePackageIni(c.ini);
    if (c.arrange) c.arrange(pc);
    pc.windows.AnswerAllWith(plat::kIdOk);
    EXPECT_EQ(RunProgram({"-i", "USB"}), 0u);
    EXPECT_FALSE(pc.ui.shown);
    EXPECT_NE(setup::StepCode, 78);  // the install never started
    if (std::string(c.text).empty()) {
        EXPECT_TRUE(pc.windows.boxes.empty());
    } else {
        const sim::BoxRecord& box = OnlyBox();
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.caption, c.caption);
    }
}

const char* const kIni = "[INFData]\r\nmanufacturer=Acme\r\n[LanguagePacks]\r\nlanguage=ENU\r\n";

INSTANTIATE_TEST_SUITE_P(
    Stops, StartupStopTest,
    ::testing::Values(
        StopCase{"NoSetupDll", kIni, [](sim::SimPc& pc) { pc.files.Remove("C:\\Package\\setup.dll"); },
                 "SETUP.DLL not found!", "ERROR"},
        StopCase{"SetupDllWithoutEntryPoint", kIni,
                 [](sim::SimPc& pc) { pc.libraries.AddLibrary("C:\\Package\\setup.dll", {}); },
                 "SETUP.DLL not found!", "ERROR"},
        StopCase{"AutoLanguageWithoutFolder", "[INFData]\r\nmanufacturer=Acme\r\n", nullptr,
                 "ERROR : Can't retrieve setup configuration file#2! Setup aborted!", ""},
        StopCase{"NotAnAdministrator", kIni, [](sim::SimPc& pc) { pc.facts.privilege = 1; },
                 "Only user with Administrator rigths can run this program!", ""},
        StopCase{"NoManufacturer", "[LanguagePacks]\r\nlanguage=ENU\r\n", nullptr,
                 "Error while parsing SETUP.INI file", "Touch screen setup program V%M.%N"},
        StopCase{"SecondCopyOfAnOldSetup", kIni,
                 [](sim::SimPc& pc) { pc.windows.Add("TForm1", "Touch screen setup program V%M.%N"); }, "",
                 ""}),
    test_support::CaseName());

TEST_F(StartupSystemTest, MultiMonitorPackageInstallsUsbWithoutChoice) {
    pc.files.Remove("C:\\Package\\setup.dll");
    AddSetupDll(1);
    WritePackageIniWithoutPacks("[system]\r\nproduct=1\r\n[INFData]\r\nmanufacturer=Acme\r\n");
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_TRUE(form.MultiMonitor);
    EXPECT_EQ(form.ProductKind, 0);
    EXPECT_FALSE(pc.ui.Control("GroupBox1").visible);
    EXPECT_THAT(trace, Contains("--Multi monitor"));
    // The package library was loaded from the program's folder by its full path and released.
    EXPECT_THAT(pc.libraries.loads, Contains("C:\\Package\\setup.dll"));
    EXPECT_EQ(pc.libraries.LoadedCount(), 2u);  // kernel32 and Netapi32 stay mapped
}

TEST_F(StartupSystemTest, PackageLibraryIsNotTakenFromTheCurrentFolder) {
    pc.files.Remove("C:\\Package\\setup.dll");
    sim::LibraryModel planted;
    planted.exports["VEXA_GetSetupFlag"] = [](sim::SimPc&) { return 1; };
    pc.files.AddFolder("C:\\Work");
    pc.libraries.AddLibrary("C:\\Work\\setup.dll", planted);
    pc.files.SetCurrentDirectoryA("C:\\Work");
    WritePackageIni();
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(RunProgram(), 0u);
    EXPECT_EQ(OnlyBox().text, "SETUP.DLL not found!");
    EXPECT_TRUE(pc.libraries.calls.empty());
}

struct ProductCase {
    const char* name;
    const char* system;
    bool choiceShown;
    std::int32_t productKind;
};

class ProductPreselectionTest : public StartupSystemTest,
                                public ::testing::WithParamInterface<ProductCase> {};

TEST_P(ProductPreselectionTest, FollowsTheConfiguration) {
    WritePackageIniWithoutPacks(std::string("[system]\r\n") + GetParam().system +
                                "[INFData]\r\nmanufacturer=Acme\r\n");
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(pc.ui.Control("GroupBox1").visible, GetParam().choiceShown);
    EXPECT_EQ(form.ProductKind, GetParam().productKind);
    EXPECT_TRUE(pc.ui.Control("RadioButton1").checked);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ProductPreselectionTest,
    ::testing::Values(ProductCase{"None", "", true, -1}, ProductCase{"Serial", "product=1\r\n", true, 1},
                      ProductCase{"UsbOnlyWithoutProduct", "usbonly=1\r\n", false, -1},
                      ProductCase{"UsbOnlyWithProduct", "usbonly=1\r\nproduct=0\r\n", false, 0},
                      ProductCase{"UsbOnlyMalformedIsZero", "usbonly=1x\r\n", true, -1}),
    test_support::CaseName());

TEST_F(StartupSystemTest, FailedProcessQueryIsReportedWithItsStepCode) {
    WritePackageIni();
    pc.FailCall("IsWow64Process", plat::kErrorInvalidHandle);
    pc.windows.Answer(plat::kIdOk);
    setup::TVEXA_Form1 form;
    EXPECT_EQ(CreateForm(form), 0u);
    const sim::BoxRecord& box = OnlyBox();
    EXPECT_EQ(box.caption, "Fatal error !!!");
    EXPECT_THAT(box.text, ::testing::EndsWith("\nSOURCE=20\nERROR MSG=IsWow64: bad process handle"));
}

TEST_F(StartupSystemTest, WindowLookFromTheConfiguration) {
    pc.system.captionFont = {-12, 0, 700, 0, 238, "Tahoma"};
    pc.files.AddFile("C:\\Package\\back.bmp", "BM");
    WritePackageIniWithoutPacks(
        "[system]\r\nformcolor=$00FF8000\r\ntextcolor=white\r\nbackground=back.bmp\r\niconfile=Default\r\n"
        "targetdir=Touch\r\nversion=323\r\nrelease=R7\r\n[INFData]\r\nmanufacturer=Acme\r\n"
        "[SetupText]\r\nText1=Setup V!@MAJOR.!@MINOR (!@RELEASE) !@MAJOR\r\n");
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(form.UiFontName, "Tahoma");
    EXPECT_EQ(form.UiFontCharset, 238);
    EXPECT_EQ(form.UiFontSize, 9);  // (15 - 3) * 72 / 96
    EXPECT_EQ(pc.ui.fontFace, "Tahoma");
    EXPECT_EQ(pc.ui.windowColor, 0x00FF8000u);
    EXPECT_EQ(pc.ui.textColor, 0xFF000008u);  // "white" is no number: the default
    // The picture's panels and the product choice take the window's colour; the status strip keeps its own.
    EXPECT_THAT(pc.ui.controlsWithWindowColor,
                ::testing::UnorderedElementsAre(setup::Panel1, setup::Panel2, setup::Panel4, setup::Panel41,
                                                setup::Panel42, setup::GroupBox1, setup::RadioButton1,
                                                setup::RadioButton2));
    EXPECT_EQ(pc.ui.Control("Image1").picture, "C:\\Package\\back.bmp");
    EXPECT_EQ(pc.ui.caption, "Setup V3.23 (R7) !@MAJOR");
    EXPECT_EQ(form.TargetSubDir, "\\Touch");
    EXPECT_EQ(form.IconFile, "C:\\Program Files (x86)\\Touch\\Default");
    EXPECT_EQ(pc.system.OpenGdiObjects(), 0u);
}

TEST_F(StartupSystemTest, UnreadableCaptionFontFallsBackToTheDesignFont) {
    pc.FailCall("SystemParametersInfoA", plat::kErrorInvalidParameter);
    WritePackageIni();
    setup::TVEXA_Form1 form;
    ASSERT_EQ(CreateForm(form), std::nullopt);
    EXPECT_EQ(pc.ui.fontFace, "MS Sans Serif");
    EXPECT_EQ(pc.ui.fontSize, 8);
}

TEST(MulDivTest, RoundsHalfAwayFromZero) {
    EXPECT_EQ(setup::MulDivRounded(12, 72, 96), 9);
    EXPECT_EQ(setup::MulDivRounded(13, 72, 96), 10);  // 9.75
    EXPECT_EQ(setup::MulDivRounded(1, 1, 2), 1);
    EXPECT_EQ(setup::MulDivRounded(-1, 1, 2), -1);
    EXPECT_EQ(setup::MulDivRounded(5, 72, 0), -1);
}

}  // namespace
