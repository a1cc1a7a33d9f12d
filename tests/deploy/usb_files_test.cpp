#include <gmock/gmock.h>

#include "case_name.h"
#include "deploy/deploy_fixture.h"
#include "deploy/payloads/payloads.h"

namespace {

using deploy_test::DeployTest;
using deploy_test::PackageContent;
using deploy_test::WindowsFamily;
using Files = std::map<std::string, std::string>;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string Bytes(const setup::payloads::Image& image) {
    return std::string(reinterpret_cast<const char*>(image.data), image.size);
}

constexpr const char* kStagedInf = "staged qzusbf.inf";

class UsbFilesTest : public DeployTest {
protected:
    void Prepare(const WindowsFamily& family) {
        UseWindows(family);
        AddPackage();
        pc.files.AddFile("C:\\Temp\\qzusbf.inf", kStagedInf);
    }
    std::string I() const { return InstallFolder(); }
};

class UsbFamilyTest : public UsbFilesTest, public ::testing::WithParamInterface<WindowsFamily> {};

TEST_P(UsbFamilyTest, PlacesTheFileSetOfTheWindowsFamily) {
    const WindowsFamily& family = GetParam();
    Prepare(family);
    const bool vista = family.major == 6;
    const std::string built = family.x64 ? "xp64\\" : "";
    auto from = [](const std::string& relative) { return PackageContent(relative); };

    form.CopyNtUsbFiles();

    EXPECT_EQ(FilesIn("C:\\Windows\\System32\\drivers"), (Files{{"qzusbf.sys", from(built + "qzusbf.sys")}}));
    const char* applet = family.x64 ? (vista ? "touchcfg64v.cpl" : "touchcfg64.cpl")
                                    : (vista ? "touchcfgv.cpl" : "touchcfg.cpl");
    EXPECT_EQ(FilesIn("C:\\Windows\\System32"), (Files{{"touchcfg.cpl", from(applet)}}));
    if (family.x64) {
        EXPECT_THAT(FilesIn("C:\\Windows\\SysWOW64"), IsEmpty());
    }
    const Files inf = vista ? Files{{"qzusbf.inf", kStagedInf}} : Files{};
    EXPECT_EQ(FilesIn("C:\\Windows\\inf"), inf);

    Files expected = {
        {"qzusbf.sys", from(built + "qzusbf.sys")},
        {"qzusbf.inf", vista ? from(built + "qzusbf.inf") : kStagedInf},
        {"qzusbf.cat", from(built + (vista ? "qzusbfv.cat" : "qzusbf.cat"))},
        {"touchcfg.exe", from(vista ? "touchcfg.exe" : "touchcfg_xp.exe")},
        {"setup.exe", from("setup.exe")},
        {"setup.dll", from("setup.dll")},
        {"uninstall.exe", from("setup.dat")},
        {"tsutils.dll", from("tsutils.dll")},
        {"setdev64.exe", from("setdev64.exe")},
        {"vexasdk.dll", from("vexasdk.dll")},
        {"hidfilter.exe", from("hidfilter.exe")},
        {"readme.txt", from("readme.txt")},
        {"dpinst.exe", Bytes(family.x64 ? setup::payloads::DpinstX64() : setup::payloads::DpinstX86())},
    };
    if (vista) {
        expected["devcon.exe"] =
            Bytes(family.x64 ? setup::payloads::DevconX64() : setup::payloads::DevconX86());
        for (const char* name : {"vtouch.inf", "vtouch.cat", "vtouch.sys"})
            expected[name] = from(built + name);
    }
    Files installed = FilesIn(I());
    EXPECT_EQ(installed.erase("touchcfg.ini"), 1u);
    EXPECT_EQ(installed.erase("setup.ini"), 1u);
    EXPECT_EQ(installed, expected);

    // Redirection was off for the native folders only, and is on again.
    EXPECT_TRUE(pc.files.Redirection());
    std::vector<std::string> expectedCalls;
    if (family.x64) expectedCalls.assign(2, "kernel32.dll!Wow64EnableWow64FsRedirection");
    EXPECT_EQ(pc.libraries.calls, expectedCalls);
    EXPECT_EQ(pc.files.OpenFileHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Families, UsbFamilyTest,
                         ::testing::Values(deploy_test::kWindows2000, deploy_test::kWindowsXp,
                                           deploy_test::kWindowsXpX64, deploy_test::kVistaX86,
                                           deploy_test::kWindows7X64),
                         test_support::CaseName());

TEST_F(UsbFilesTest, TracesEveryStepInOrder) {
    Prepare(deploy_test::kWindows7X64);
    form.CopyNtUsbFiles();
    const std::string i = "C:\\Program Files (x86)\\Brivo";
    auto ok = [](const std::string& from, const std::string& to) {
        return "Copy " + from + " to " + to + " success!";
    };
    EXPECT_THAT(
        trace,
        ElementsAre("Copy NT USB files", ok("xp64\\qzusbf.sys", "C:\\Windows\\System32\\Drivers\\qzusbf.sys"),
                    ok("touchcfg64v.cpl", "C:\\Windows\\System32\\touchcfg.cpl"),
                    ok("xp64\\qzusbf.sys", i + "\\qzusbf.sys"), ok("xp64\\qzusbf.inf", i + "\\qzusbf.inf"),
                    ok("xp64\\qzusbfv.cat", i + "\\qzusbf.cat"), ok("touchcfg.exe", i + "\\touchcfg.exe"),
                    "Write touchcfg INI", ok("setup.exe", i + "\\setup.exe"),
                    ok("setup.dll", i + "\\setup.dll"), "Write setup INI",
                    ok("setup.dat", i + "\\uninstall.exe"), ok("tsutils.dll", i + "\\tsutils.dll"),
                    ok("setdev64.exe", i + "\\setdev64.exe"), ok("vexasdk.dll", i + "\\vexasdk.dll"),
                    ok("hidfilter.exe", i + "\\hidfilter.exe"), ok("readme.txt", i + "\\readme.txt"),
                    ok("C:\\Temp\\qzusbf.inf", i + "\\qzusbf.inf"),
                    ok("C:\\Temp\\qzusbf.inf", "C:\\Windows\\inf\\qzusbf.inf"),
                    ok("xp64\\vtouch.inf", i + "\\vtouch.inf"), ok("xp64\\vtouch.cat", i + "\\vtouch.cat"),
                    ok("xp64\\vtouch.sys", i + "\\vtouch.sys"), ok("xp64\\qzusbf.inf", i + "\\qzusbf.inf"),
                    ok("xp64\\qzusbfv.cat", i + "\\qzusbf.cat"), ok("xp64\\qzusbf.sys", i + "\\qzusbf.sys")));
    // The last routine entered was the installed setup.ini's writer.
    EXPECT_EQ(setup::StepCode, 21);
}

TEST_F(UsbFilesTest, InstalledSetupIniEndsWithTheProductKeys) {
    Prepare(deploy_test::kWindowsXp);
    form.CopyNtUsbFiles();
    EXPECT_EQ(
        pc.files.Contents(I() + "\\setup.ini"),
        "[SYSTEM]\r\nversion=3.25\r\nrelease=240610\r\ntargetdir=Brivo\r\nproduct=0\r\n"
        "createcontrolpanel=1\r\nallowmultiport=1\r\n[SETUPTEXT]\r\ngroupname=Acme Touch\r\n[ADDITIONAL]\r\n"
        "[INFData]\r\nmanufacturer=Acme Touch\r\nvidpid=VID_0D7A&PID_0300\r\ndevdesc=Acme USB Touch\r\n");
    EXPECT_EQ(pc.files.Contents(I() + "\\touchcfg.ini"),
              "[SYSTEM]\r\nbeep=1\r\n[TOUCHCFGTEXT]\r\nCaption=Touch V3.25\r\n");
}

struct SwitchCase {
    const char* name;
    const char* keys;
    bool multiMonitor;
    bool applet;
    bool hidfilter;
};

class UsbSwitchTest : public UsbFilesTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(UsbSwitchTest, AppletAndMultiPortFilterFollowTheirKeys) {
    WriteConfiguration(std::string("[system]\r\n") + GetParam().keys);
    Prepare(deploy_test::kVistaX86);
    pc.files.AddFile("C:\\Windows\\System32\\touchcfg.cpl", "old applet", plat::kFileAttributeReadOnly);
    form.MultiMonitor = GetParam().multiMonitor;
    form.CopyNtUsbFiles();
    // The old applet goes whatever the key says.
    EXPECT_EQ(pc.files.Contents("C:\\Windows\\System32\\touchcfg.cpl"),
              GetParam().applet ? PackageContent("touchcfgv.cpl") : "");
    EXPECT_EQ(pc.files.Exists("C:\\Windows\\System32\\touchcfg.cpl"), GetParam().applet);
    EXPECT_EQ(pc.files.Exists(I() + "\\hidfilter.exe"), GetParam().hidfilter);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, UsbSwitchTest,
    ::testing::Values(SwitchCase{"Defaults", "", false, true, false},
                      SwitchCase{"AppletOff", "createcontrolpanel=0\r\n", false, false, false},
                      SwitchCase{"AppletTwoIsNotOne", "createcontrolpanel=2\r\n", false, false, false},
                      SwitchCase{"MultiPort", "allowmultiport=1\r\n", false, true, true},
                      SwitchCase{"MultiPortInMultiMonitorPackage", "allowmultiport=1\r\n", true, true,
                                 false}),
    test_support::CaseName());

TEST_F(UsbFilesTest, OldDriversOfBothProductsGoFromTheNativeDriverFolder) {
    Prepare(deploy_test::kWindows7X64);
    pc.files.AddFile("C:\\Windows\\System32\\drivers\\qzusbf.sys", "old", plat::kFileAttributeReadOnly);
    pc.files.AddFile("C:\\Windows\\System32\\drivers\\qz232.sys", "serial driver");
    pc.files.AddFile("C:\\Windows\\inf\\qzusbf.pnf", "old pnf", plat::kFileAttributeHidden);
    form.CopyNtUsbFiles();
    EXPECT_EQ(FilesIn("C:\\Windows\\System32\\drivers"),
              (Files{{"qzusbf.sys", PackageContent("xp64\\qzusbf.sys")}}));
    EXPECT_EQ(pc.files.Attributes("C:\\Windows\\System32\\drivers\\qzusbf.sys"), plat::kFileAttributeArchive);
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\qzusbf.pnf"));
}

TEST_F(UsbFilesTest, DpinstOfThe32BitSystemFolderIsCopiedInsteadOfTheImage) {
    Prepare(deploy_test::kWindows7X64);
    pc.files.AddFile("C:\\Windows\\SysWOW64\\dpinst.exe", "the system's own DPInst");
    form.CopyNtUsbFiles();
    EXPECT_EQ(pc.files.Contents(I() + "\\dpinst.exe"), "the system's own DPInst");
    EXPECT_THAT(trace,
                Contains("Copy C:\\Windows\\System32\\dpinst.exe to " + I() + "\\dpinst.exe success!"));

    // One in the native folder only is not seen through the 32-bit view.
    Prepare(deploy_test::kWindows7X64);
    pc.files.Remove("C:\\Windows\\SysWOW64\\dpinst.exe");
    pc.files.AddFile("C:\\Windows\\System32\\dpinst.exe", "native only");
    form.CopyNtUsbFiles();
    EXPECT_EQ(pc.files.Contents(I() + "\\dpinst.exe"), Bytes(setup::payloads::DpinstX64()));
}

TEST_F(UsbFilesTest, ADevconThatCannotBeCreatedSkipsTheVirtualTouchPackage) {
    Prepare(deploy_test::kVistaX86);
    pc.files.AddFolder(I());
    pc.files.AddFile(I() + "\\devcon.exe", "in use");
    pc.files.LockFile(I() + "\\devcon.exe");
    pc.files.AddFile(I() + "\\dpinst.exe", "old", plat::kFileAttributeReadOnly);
    form.CopyNtUsbFiles();
    EXPECT_EQ(pc.files.Contents(I() + "\\devcon.exe"), "in use");
    EXPECT_EQ(pc.files.Contents(I() + "\\dpinst.exe"),
              "old");  // an image that cannot be written leaves the old file
    EXPECT_FALSE(pc.files.Exists(I() + "\\vtouch.inf"));
    EXPECT_EQ(pc.files.Contents(I() + "\\qzusbf.inf"), kStagedInf);
    EXPECT_EQ(pc.files.Contents(I() + "\\qzusbf.cat"), PackageContent("qzusbfv.cat"));
}

TEST_F(UsbFilesTest, AnImageWriteThatFailsAfterCreationStillInstallsTheVirtualTouchPackage) {
    Prepare(deploy_test::kVistaX86);
    pc.FailCallOn("WriteFile", I() + "\\devcon.exe", 112);  // ERROR_DISK_FULL
    form.CopyNtUsbFiles();
    EXPECT_EQ(pc.files.Contents(I() + "\\devcon.exe"), "");
    EXPECT_TRUE(pc.files.Exists(I() + "\\vtouch.inf"));
}

TEST_F(UsbFilesTest, ExtraFoldersCopyPlainFilesOnlyAndRefuseNamesLeadingOutside) {
    WriteConfiguration(
        "[system]\r\ncopysubdir3=docs\r\ncopysubdir4=..\\Windows\r\ncopysubdir5=C:\\Windows\r\n"
        "copysubdir6=\\\\server\\share\r\ncopysubdir7=\\Windows\r\ncopysubdir8=a\\..\\..\\b\r\ncopysubdir9=C:"
        "docs\r\n"
        "copysubdir11=never\r\n");
    Prepare(deploy_test::kWindowsXp);
    pc.files.AddFile("C:\\Package\\docs\\guide.txt", "guide");
    pc.files.AddFile("C:\\Package\\docs\\locked.txt", "read-only", plat::kFileAttributeReadOnly);
    pc.files.AddFile("C:\\Package\\docs\\hidden.txt", "", plat::kFileAttributeHidden);
    pc.files.AddFile("C:\\Package\\docs\\system.txt", "", plat::kFileAttributeSystem);
    pc.files.AddFile("C:\\Package\\docs\\deeper\\inner.txt", "");
    pc.files.AddFile("C:\\Package\\never\\x.txt", "");
    form.CopyNtUsbFiles();
    EXPECT_EQ(pc.files.List(I() + "\\docs"), (std::vector<std::string>{"guide.txt", "locked.txt"}));
    EXPECT_EQ(pc.files.Attributes(I() + "\\docs\\locked.txt"),
              plat::kFileAttributeReadOnly | plat::kFileAttributeArchive);
    EXPECT_FALSE(pc.files.Exists(I() + "\\never"));
    for (const char* refused :
         {"copysubdir4=..\\Windows", "copysubdir5=C:\\Windows", "copysubdir6=\\\\server\\share",
          "copysubdir7=\\Windows", "copysubdir8=a\\..\\..\\b", "copysubdir9=C:docs"})
        EXPECT_THAT(trace, Contains(std::string("Refused ") + refused));
    EXPECT_EQ(FilesIn("C:\\Program Files"), Files{});
    EXPECT_EQ(pc.files.List("C:\\Program Files"), (std::vector<std::string>{"Brivo"}));
}

TEST_F(UsbFilesTest, AMissingPackageFileIsTracedAndTheRestGoesOn) {
    Prepare(deploy_test::kWindowsXp);
    pc.files.Remove("C:\\Package\\readme.txt");
    form.CopyNtUsbFiles();
    EXPECT_THAT(trace, Contains("Copy readme.txt to " + I() + "\\readme.txt fail!"));
    EXPECT_TRUE(pc.files.Exists(I() + "\\dpinst.exe"));
    EXPECT_THAT(pc.files.Contents(I() + "\\setup.ini"), HasSubstr("vidpid=VID_0D7A&PID_0300"));
}

}  // namespace
