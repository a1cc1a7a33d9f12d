#include <gmock/gmock.h>

#include "case_name.h"
#include "deploy/deploy_fixture.h"
#include "shell/errors.h"

namespace {

using deploy_test::DeployTest;
using Link = sim::ShellLinkData;
using Strings = std::vector<std::string>;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
constexpr const char* kGroup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Acme Touch";
constexpr const char* kDesktop = "C:\\Users\\Public\\Desktop";
constexpr const char* kInstall = "C:\\Program Files\\Brivo";

Link MakeLink(const std::string& target, const std::string& arguments, const std::string& description,
              const std::string& icon = "") {
    Link link;
    link.target = target;
    link.arguments = arguments;
    link.description = description;
    link.iconPath = icon;
    return link;
}

class ShortcutsTest : public DeployTest {
protected:
    void Prepare(const std::string& configuration) {
        WriteConfiguration(configuration);
        UseWindows(deploy_test::kVistaX86);
        form.IconFile = std::string(kInstall) + "\\touch.ico";
    }
    std::optional<Link> LinkAt(const std::string& path) { return pc.shell.ReadLink(path); }
};

struct LinksCase {
    const char* name;
    const char* keys;
    bool desktop;
    bool uninstall;
};

class CreateLinksTest : public ShortcutsTest, public ::testing::WithParamInterface<LinksCase> {};

TEST_P(CreateLinksTest, CreatesTheGroupAndTheConfiguredShortcuts) {
    Prepare(std::string("[system]\r\n") + GetParam().keys);
    form.CreateLinks();
    const Link touch = MakeLink(std::string(kInstall) + "\\touchcfg.exe", "", "Touch panel",
                                std::string(kInstall) + "\\touch.ico");
    EXPECT_EQ(LinkAt(std::string(kGroup) + "\\Touch panel.lnk"), touch);  // always
    EXPECT_EQ(LinkAt(std::string(kDesktop) + "\\Touch panel.lnk"),
              GetParam().desktop ? std::optional<Link>(touch) : std::nullopt);
    EXPECT_EQ(LinkAt(std::string(kGroup) + "\\Uninstall Acme Touch.lnk"),
              GetParam().uninstall
                  ? std::optional<Link>(MakeLink(std::string(kInstall) + "\\uninstall.exe", "", ""))
                  : std::nullopt);
    EXPECT_EQ(trace, Strings{"Create links"});
    EXPECT_EQ(pc.shell.LiveComObjects(), 0u);
    EXPECT_EQ(pc.shell.OpenItemIdLists(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Keys, CreateLinksTest,
                         ::testing::Values(LinksCase{"Defaults", "", true, true},
                                           LinksCase{"NoDesktop", "createdesktopicon=0\r\n", false, true},
                                           LinksCase{"DesktopTwoIsNotOne", "createdesktopicon=2\r\n", false,
                                                     true},
                                           LinksCase{"NoUninstaller", "useuninstallmenu=0\r\n", true, false}),
                         test_support::CaseName());

TEST_F(ShortcutsTest, WithoutAnIconFileNoIconLocationIsSet) {
    Prepare("[system]\r\n");
    form.IconFile.clear();
    form.CreateLinks();
    EXPECT_EQ(LinkAt(std::string(kGroup) + "\\Touch panel.lnk")->iconPath, "");
}

struct ItemCase {
    const char* name;
    const char* item;
    bool copied;                  // mt.exe copied into the install folder
    std::optional<Link> group;    // "Monitor Tool.lnk" in the program group
    std::optional<Link> desktop;  // and on the desktop
};

const Link kMonitorTool = MakeLink(std::string(kInstall) + "\\mt.exe", "-s", "Monitor Tool");
const Link kMonitorToolNoArgs = MakeLink(std::string(kInstall) + "\\mt.exe", "", "Monitor Tool");

class AdditionalItemTest : public ShortcutsTest, public ::testing::WithParamInterface<ItemCase> {};

TEST_P(AdditionalItemTest, InstallsAndRemovesTheItem) {
    Prepare(std::string("[additional]\r\nitem2=") + GetParam().item + "\r\n");
    pc.files.AddFile("C:\\Package\\mt.exe", "tool");
    pc.files.AddFolder(kInstall);
    form.CopyAdditionalFiles();
    EXPECT_EQ(pc.files.Exists(std::string(kInstall) + "\\mt.exe"), GetParam().copied);
    EXPECT_EQ(LinkAt(std::string(kGroup) + "\\Monitor Tool.lnk"), GetParam().group);
    EXPECT_EQ(LinkAt(std::string(kDesktop) + "\\Monitor Tool.lnk"), GetParam().desktop);
    EXPECT_EQ(pc.shell.LiveComObjects(), 0u);

    form.DeleteAdditionalFiles();
    EXPECT_FALSE(pc.files.Exists(std::string(kInstall) + "\\mt.exe"));
    EXPECT_FALSE(pc.files.Exists(std::string(kGroup)));
    EXPECT_THAT(pc.files.List(kDesktop), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Items, AdditionalItemTest,
    ::testing::Values(ItemCase{"GroupShortcut", "|Monitor Tool| |mt.exe| |1| |mt.exe| |-s|", true,
                               kMonitorTool, std::nullopt},
                      ItemCase{"DesktopShortcut", "|Monitor Tool| |mt.exe| |2| |mt.exe| |-s|", true,
                               std::nullopt, kMonitorTool},
                      ItemCase{"Both", "|Monitor Tool| |mt.exe| |3| |mt.exe| |-s|", true, kMonitorTool,
                               kMonitorTool},
                      ItemCase{"FlagsFourAskForNone", "|Monitor Tool| |mt.exe| |4| |mt.exe| |-s|", true,
                               std::nullopt, std::nullopt},
                      ItemCase{"FlagsNotANumber", "|Monitor Tool| |mt.exe| |x| |mt.exe| |-s|", true,
                               std::nullopt, std::nullopt},
                      ItemCase{"HexadecimalFlags", "|Monitor Tool| |mt.exe| |$3| |mt.exe| |-s|", true,
                               kMonitorTool, kMonitorTool},
                      ItemCase{"ShortcutOnlyWithoutArguments", "|Monitor Tool| || |1| |mt.exe| ||", false,
                               kMonitorToolNoArgs, std::nullopt},
                      ItemCase{"RunsOfBlanksAndTabsSeparate", "  |Monitor Tool|\tmt.exe  1\t\tmt.exe   -s  ",
                               true, kMonitorTool, std::nullopt}),
    test_support::CaseName());

TEST_F(ShortcutsTest, ItemsAreTracedAndGapsInTheNumbersAreSkipped) {
    Prepare("[additional]\r\nitem2=|A| || |0| |a.exe| ||\r\nitem5=|B| || |0| |b.exe| |-x|\r\n");
    form.CopyAdditionalFiles();
    EXPECT_THAT(trace, ElementsAre("Copy additional files",
                                   "0=A, 1=, 2=0, 3=a.exe, 4=", "0=B, 1=, 2=0, 3=b.exe, 4=-x"));
}

TEST_F(ShortcutsTest, LanguagePackNamesTheShortcutsOnInstallOnly) {
    Prepare("[additional]\r\nitem1=|Monitor Tool| || |1| |mt.exe| ||\r\n");
    pc.files.AddFile("C:\\Package\\language\\language.DEU",
                     "[ADDITIONAL]\r\nitem1=Monitor | Werkzeug\r\nitem3=no such item\r\n");
    form.LangIni = std::make_unique<config::IniFile>("C:\\Package\\language\\language.DEU");
    form.CopyAdditionalFiles();
    EXPECT_EQ(LinkAt(std::string(kGroup) + "\\Monitor | Werkzeug.lnk"),
              std::nullopt);  // no bar in a file name
    EXPECT_THAT(trace, Contains("0=Monitor | Werkzeug, 1=, 2=1, 3=mt.exe, 4="));

    pc.files.AddFile("C:\\Package\\language\\language.DEU",
                     "[ADDITIONAL]\r\nitem1=\xDC"
                     "berwacher\r\n");
    form.CopyAdditionalFiles();
    EXPECT_EQ(LinkAt(std::string(kGroup) + "\\\xDC"
                                           "berwacher.lnk"),
              MakeLink(std::string(kInstall) + "\\mt.exe", "",
                       "\xDC"
                       "berwacher"));
    // The removal reads the configured name: the installed setup.ini carries
    // the replaced one.
    form.DeleteAdditionalFiles();
    EXPECT_THAT(trace, Contains("0=Monitor Tool, 1=, 2=1, 3=mt.exe, 4="));
}

TEST_F(ShortcutsTest, AnItemOfFourFieldsEndsTheRunAfterTheItemsBefore) {
    Prepare("[additional]\r\nitem1=|A| || |1| |a.exe| ||\r\nitem2=|B| || |1| |b.exe|\r\n");
    pc.windows.Answer(plat::kIdOk);
    EXPECT_TRUE(EndsTheProcess([&] { form.HandleEvent([&] { form.CopyAdditionalFiles(); }); }));
    EXPECT_TRUE(pc.files.Exists(std::string(kGroup) + "\\A.lnk"));
    EXPECT_THAT(pc.windows.boxes.at(0).text, HasSubstr("ERROR MSG=List index out of bounds (4)"));
}

TEST_F(ShortcutsTest, ItemFilesAndNamesLeadingOutsideAreRefused) {
    Prepare(
        "[additional]\r\n"
        "item1=|Tool| |..\\..\\Windows\\win.ini| |0| |x.exe| ||\r\n"
        "item2=|Tool| |C:\\Windows\\win.ini| |0| |x.exe| ||\r\n"
        "item3=|..\\..\\..\\Windows\\Tool| || |3| |x.exe| ||\r\n"
        "item4=|Sub\\Tool| || |1| |x.exe| ||\r\n"
        "item5=|..| || |2| |x.exe| ||\r\n");
    pc.files.AddFile("C:\\Windows\\win.ini", "must survive");
    pc.files.AddFolder(kInstall);
    form.CopyAdditionalFiles();
    EXPECT_THAT(pc.files.List(kInstall), IsEmpty());
    EXPECT_THAT(pc.files.List(kDesktop), IsEmpty());
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\Tool.lnk"));
    EXPECT_THAT(trace, Contains("Refused file name: ..\\..\\Windows\\win.ini"));
    EXPECT_THAT(trace, Contains("Refused file name: C:\\Windows\\win.ini"));
    EXPECT_THAT(trace, Contains("Refused shortcut name: ..\\..\\..\\Windows\\Tool"));

    // The removal deletes nothing outside either.
    pc.files.AddFile("C:\\Windows\\Tool.lnk", "must survive");
    pc.files.AddFile("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Acme Touch\\Sub\\Tool.lnk",
                     "");
    form.DeleteAdditionalFiles();
    EXPECT_EQ(pc.files.Contents("C:\\Windows\\win.ini"), "must survive");
    EXPECT_EQ(pc.files.Contents("C:\\Windows\\Tool.lnk"), "must survive");
    EXPECT_TRUE(pc.files.Exists(std::string(kGroup) + "\\Sub\\Tool.lnk"));
}

TEST_F(ShortcutsTest, RemovingOneItemLeavesTheGroupWhileOthersRemain) {
    Prepare("[additional]\r\nitem1=|A| || |1| |a.exe| ||\r\n");
    pc.files.AddFile(std::string(kGroup) + "\\Touch panel.lnk");
    form.CopyAdditionalFiles();
    form.DeleteAdditionalFiles();
    EXPECT_EQ(pc.files.List(kGroup), (Strings{"Touch panel.lnk"}));
}

TEST_F(ShortcutsTest, ALinkPathTooLongForTheBufferIsNotSavedCutShort) {
    Prepare("[system]\r\n");
    const std::string folder = std::string(kDesktop) + "\\" + std::string(200, 'd');
    pc.files.AddFolder(folder);
    // 258 characters fit with the NUL; 259 do not.
    const std::string fits = folder + "\\" + std::string(258 - folder.size() - 5, 'f') + ".lnk";
    const std::string tooLong = folder + "\\" + std::string(259 - folder.size() - 5, 'f') + ".lnk";
    ASSERT_EQ(fits.size(), 258u);
    EXPECT_TRUE(form.CreateShellLink("C:\\x.exe", "x", fits, ""));
    EXPECT_FALSE(form.CreateShellLinkWithArgs("C:\\x.exe", "-a", "x", tooLong, ""));
    EXPECT_EQ(setup::StepCode, 16);
    EXPECT_EQ(pc.files.List(folder).size(), 1u);  // no link under a name cut short
    EXPECT_EQ(pc.shell.LiveComObjects(), 0u);
}

TEST_F(ShortcutsTest, ShellLinkFailuresReturnFalse) {
    Prepare("[system]\r\n");
    const std::string link = std::string(kDesktop) + "\\x.lnk";
    pc.FailCall("CoCreateInstance", static_cast<plat::DWord>(plat::kRegdbEClassNotReg));
    EXPECT_FALSE(form.CreateShellLink("C:\\x.exe", "x", link, ""));
    pc.FailCallOn("PersistFileSave", link, plat::kErrorAccessDenied);
    EXPECT_FALSE(form.CreateShellLink("C:\\x.exe", "x", link, ""));
    EXPECT_FALSE(form.CreateShellLink("C:\\x.exe", "x", "C:\\No folder\\x.lnk", ""));
    EXPECT_FALSE(pc.files.Exists(link));
    EXPECT_TRUE(form.CreateShellLink("C:\\x.exe", "x", link, ""));
    EXPECT_EQ(pc.shell.LiveComObjects(), 0u);
}

TEST_F(ShortcutsTest, AShellFolderThatCannotBeResolvedEndsTheRun) {
    Prepare("[system]\r\n");
    pc.files.Remove(kPrograms);
    try {
        form.CreateLinks();
        FAIL() << "no error";
    } catch (const setup::SetupError& error) {
        EXPECT_STREQ(error.what(), "The system cannot find the file specified");
    }
    EXPECT_EQ(setup::StepCode, 14);
}

}  // namespace
