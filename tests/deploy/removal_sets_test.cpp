#include <gmock/gmock.h>

#include <algorithm>

#include "case_name.h"
#include "deploy/deploy_fixture.h"

namespace {

using deploy_test::DeployTest;
using deploy_test::WindowsFamily;
using Strings = std::vector<std::string>;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kGroup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Acme Touch";
constexpr const char* kDesktop = "C:\\Users\\Public\\Desktop";

class RemovalTest : public DeployTest {
protected:
    void Prepare(const WindowsFamily& family,
                 const std::string& configuration = deploy_test::kConfiguration) {
        WriteConfiguration(configuration);
        UseWindows(family);
        AddPackage();
        pc.files.AddFile("C:\\Temp\\qzusbf.inf", "staged qzusbf.inf");
    }
    std::string I() const { return InstallFolder(); }
    Strings Paths() const { return pc.files.AllPaths(); }
};

struct RoundCase {
    const char* name;
    WindowsFamily family;
    bool usb;
};

class InstallThenRemoveTest : public RemovalTest, public ::testing::WithParamInterface<RoundCase> {};

TEST_P(InstallThenRemoveTest, LeavesTheMachineAsItWas) {
    Prepare(GetParam().family, std::string(deploy_test::kConfiguration) + "copysubdir1=docs\r\n");
    pc.files.AddFile("C:\\Package\\docs\\guide.txt", "guide");
    const Strings before = Paths();
    if (GetParam().usb)
        form.CopyNtUsbFiles();
    else
        form.CopyNtSerialFiles();
    form.CreateLinks();
    ASSERT_NE(Paths(), before);

    if (GetParam().usb)
        form.DeleteNtUsbFiles();
    else
        form.DeleteNtSerialFiles();
    EXPECT_EQ(setup::StepCode, 14);  // the special folders were asked for last
    Strings after = Paths();
    // An RS-232 install on Vista and later registered its INF in the store,
    // which the OEM INF removal takes away, not this routine.
    after.erase(
        std::remove_if(after.begin(), after.end(),
                       [](const std::string& path) { return path.find("\\inf\\oem") != std::string::npos; }),
        after.end());
    EXPECT_EQ(after, before);
    // The applet's row of the product list addresses the 32-bit system
    // folder on 64-bit Windows, where no applet is: that deletion fails and
    // is left for the restart, which finds nothing to do.
    Strings pending;
    if (GetParam().family.x64) pending.push_back("C:\\Windows\\SysWOW64\\touchcfg.cpl");
    EXPECT_EQ(pc.files.PendingDeletions(), pending);
    std::string current;
    pc.files.GetCurrentDirectoryA(&current);
    EXPECT_EQ(current, "C:\\");
}

INSTANTIATE_TEST_SUITE_P(Runs, InstallThenRemoveTest,
                         ::testing::Values(RoundCase{"UsbWindows7X64", deploy_test::kWindows7X64, true},
                                           RoundCase{"UsbXp", deploy_test::kWindowsXp, true},
                                           RoundCase{"UsbVistaX86", deploy_test::kVistaX86, true},
                                           RoundCase{"SerialWindows7X64", deploy_test::kWindows7X64, false},
                                           RoundCase{"SerialWindows2000", deploy_test::kWindows2000, false}),
                         test_support::CaseName());

TEST_F(RemovalTest, RemovingTheSerialProductLeavesTheUsbOnlyFiles) {
    Prepare(deploy_test::kVistaX86);
    form.CopyNtUsbFiles();
    form.DeleteNtSerialFiles();
    EXPECT_EQ(pc.files.List(I()), (Strings{"devcon.exe", "dpinst.exe", "hidfilter.exe", "qzusbf.cat",
                                           "qzusbf.sys", "setdev64.exe"}));
    // On 32-bit Windows only the removed product's INF and driver go.
    EXPECT_TRUE(pc.files.Exists("C:\\Windows\\inf\\qzusbf.inf"));
    EXPECT_TRUE(pc.files.Exists("C:\\Windows\\System32\\drivers\\qzusbf.sys"));
}

TEST_F(RemovalTest, On64BitWindowsBothProductsGoFromTheNativeFolders) {
    Prepare(deploy_test::kWindows7X64);
    const char* const native[] = {"C:\\Windows\\inf\\qzusbf.inf", "C:\\Windows\\inf\\qzusbf.pnf",
                                  "C:\\Windows\\System32\\qzusbf.sys",
                                  "C:\\Windows\\System32\\drivers\\qzusbf.sys"};
    for (const char* path : native) pc.files.AddFile(path, "", plat::kFileAttributeReadOnly);
    pc.files.AddFile("C:\\Windows\\SysWOW64\\qzusbf.sys", "32-bit view, not in the list");
    form.DeleteNtSerialFiles();
    for (const char* path : native) EXPECT_FALSE(pc.files.Exists(path)) << path;
    EXPECT_TRUE(pc.files.Exists("C:\\Windows\\SysWOW64\\qzusbf.sys"));
    EXPECT_TRUE(pc.files.Redirection());
}

TEST_F(RemovalTest, ALoadedAppletGoesAtTheNextRestartAndOtherLockedFilesStay) {
    Prepare(deploy_test::kWindows7X64);
    form.CopyNtUsbFiles();
    pc.files.LockFile("C:\\Windows\\System32\\touchcfg.cpl");  // the native one, loaded by the control panel
    pc.files.LockFile(I() + "\\tsutils.dll");
    pc.files.SetAttributes(I(), plat::kFileAttributeReadOnly);
    form.DeleteNtUsbFiles();
    EXPECT_THAT(pc.files.PendingDeletions(),
                ElementsAre("C:\\Windows\\System32\\touchcfg.cpl", "C:\\Windows\\SysWOW64\\touchcfg.cpl"));
    EXPECT_EQ(pc.files.List(I()), (Strings{"tsutils.dll"}));
    EXPECT_EQ(pc.files.Attributes(I()), plat::kFileAttributeDirectory);  // no longer read-only
}

TEST_F(RemovalTest, ExtraFoldersLoseEveryFileButKeepSubFolders) {
    Prepare(deploy_test::kWindowsXp,
            "[system]\r\ncopysubdir2=docs\r\ncopysubdir5=more\r\ncopysubdir6=gone\r\n");
    pc.files.AddFile(I() + "\\docs\\a.txt", "");
    pc.files.AddFile(I() + "\\docs\\hidden.txt", "",
                     plat::kFileAttributeHidden | plat::kFileAttributeReadOnly);
    pc.files.AddFile(I() + "\\docs\\system.txt", "", plat::kFileAttributeSystem);
    pc.files.AddFile(I() + "\\more\\b.txt", "");
    pc.files.AddFile(I() + "\\more\\deeper\\c.txt", "");
    pc.files.AddFolder(I() + "\\gone");
    form.DeleteNtUsbFiles();
    EXPECT_FALSE(pc.files.Exists(I() + "\\docs"));
    EXPECT_FALSE(pc.files.Exists(I() + "\\gone"));
    EXPECT_EQ(pc.files.List(I()), (Strings{"more"}));
    EXPECT_EQ(pc.files.List(I() + "\\more"), (Strings{"deeper"}));
}

TEST_F(RemovalTest, AJunctionExtraFolderIsNotEmptiedOnlyUnlinked) {
    Prepare(deploy_test::kWindows7X64, "[system]\r\ncopysubdir1=docs\r\n");
    pc.files.AddFile("D:\\Shared\\keep.txt", "must survive");
    pc.files.AddFile(I() + "\\setup.exe");
    pc.files.AddJunction(I() + "\\docs", "D:\\Shared");
    form.DeleteNtUsbFiles();
    EXPECT_EQ(pc.files.Contents("D:\\Shared\\keep.txt"), "must survive");
    EXPECT_FALSE(pc.files.Exists(I()));
    EXPECT_THAT(trace, Contains("Link not followed: " + I() + "\\docs"));
}

TEST_F(RemovalTest, AJunctionInsideAnExtraFolderPathIsNotFollowed) {
    Prepare(deploy_test::kWindows7X64, "[system]\r\ncopysubdir1=link\\docs\r\n");
    pc.files.AddFile("D:\\Shared\\docs\\keep.txt", "must survive");
    pc.files.AddJunction(I() + "\\link", "D:\\Shared");
    form.DeleteNtUsbFiles();
    EXPECT_EQ(pc.files.Contents("D:\\Shared\\docs\\keep.txt"), "must survive");
    EXPECT_TRUE(pc.files.IsFolder("D:\\Shared\\docs"));
}

TEST_F(RemovalTest, AnInstallFolderThatIsAJunctionIsUnlinkedNotEmptied) {
    Prepare(deploy_test::kWindows7X64, "[system]\r\ncopysubdir1=docs\r\n");
    pc.files.AddFile("D:\\Data\\setup.exe", "someone else's");
    pc.files.AddFile("D:\\Data\\docs\\keep.txt", "must survive");
    pc.files.AddJunction(I(), "D:\\Data");
    form.DeleteNtUsbFiles();
    EXPECT_EQ(pc.files.Contents("D:\\Data\\setup.exe"), "someone else's");
    EXPECT_EQ(pc.files.Contents("D:\\Data\\docs\\keep.txt"), "must survive");
    EXPECT_FALSE(pc.files.Exists(I()));
}

TEST_F(RemovalTest, AnUnreachableInstallFolderLeavesFoldersOfTheSameNameElsewhere) {
    Prepare(deploy_test::kWindowsXp, "[system]\r\ncopysubdir1=docs\r\n");
    // The package folder is current and has a "docs" folder of its own.
    pc.files.AddFile("C:\\Package\\docs\\guide.txt", "the package's");
    form.DeleteNtUsbFiles();
    EXPECT_EQ(pc.files.Contents("C:\\Package\\docs\\guide.txt"), "the package's");
}

TEST_F(RemovalTest, ExtraFolderNamesLeadingOutsideAreRefused) {
    Prepare(deploy_test::kWindowsXp, "[system]\r\ncopysubdir1=..\\Shared\r\ncopysubdir2=C:\\Shared\r\n");
    pc.files.AddFile("C:\\Program Files\\Shared\\keep.txt", "must survive");
    pc.files.AddFile("C:\\Shared\\keep.txt", "must survive");
    pc.files.AddFolder(I());
    form.DeleteNtUsbFiles();
    EXPECT_TRUE(pc.files.Exists("C:\\Program Files\\Shared\\keep.txt"));
    EXPECT_TRUE(pc.files.Exists("C:\\Shared\\keep.txt"));
    EXPECT_THAT(trace, ElementsAre("Refused copysubdir1=..\\Shared", "Refused copysubdir2=C:\\Shared"));
    EXPECT_FALSE(pc.files.Exists(I()));
}

TEST_F(RemovalTest, ShortcutsGoWhateverTheConfigurationSaidAndTheGroupStaysWhileNotEmpty) {
    Prepare(deploy_test::kWindows7X64, "[system]\r\ncreatedesktopicon=0\r\nuseuninstallmenu=0\r\n");
    pc.files.AddFile(std::string(kDesktop) + "\\Touch panel.lnk");
    pc.files.AddFile(std::string(kGroup) + "\\Uninstall Acme Touch.lnk");
    pc.files.AddFile(std::string(kGroup) + "\\Touch panel.lnk");
    pc.files.AddFile(std::string(kGroup) + "\\User manual.lnk");
    form.DeleteNtUsbFiles();
    EXPECT_FALSE(pc.files.Exists(std::string(kDesktop) + "\\Touch panel.lnk"));
    EXPECT_EQ(pc.files.List(kGroup), (Strings{"User manual.lnk"}));
}

}  // namespace
