#include <gmock/gmock.h>

#include "case_name.h"
#include "deploy/deploy_fixture.h"
#include "platform/sim/inf_store.h"

namespace {

using deploy_test::DeployTest;
using deploy_test::PackageContent;
using deploy_test::WindowsFamily;
using Files = std::map<std::string, std::string>;
using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;

class SerialFilesTest : public DeployTest {
protected:
    void Prepare(const WindowsFamily& family) {
        UseWindows(family);
        AddPackage();
    }
    std::string I() const { return InstallFolder(); }
};

class SerialFamilyTest : public SerialFilesTest, public ::testing::WithParamInterface<WindowsFamily> {};

TEST_P(SerialFamilyTest, PlacesTheFileSetAndRegistersTheInf) {
    const WindowsFamily& family = GetParam();
    Prepare(family);
    const bool vista = family.major == 6;
    form.CopyNtSerialFiles();

    EXPECT_EQ(FilesIn("C:\\Windows\\System32\\drivers"),
              (Files{{"qz232.sys", PackageContent(family.x64 ? "xp64\\232\\qz232.sys" : "232\\qz232.sys")}}));
    // No Vista variant of the applet for this product.
    EXPECT_EQ(FilesIn("C:\\Windows\\System32"),
              (Files{{"touchcfg.cpl", PackageContent(family.x64 ? "touchcfg64.cpl" : "touchcfg.cpl")}}));
    if (family.x64) {
        EXPECT_THAT(FilesIn("C:\\Windows\\SysWOW64"), IsEmpty());
    }

    const std::string inf = PackageContent("232\\qz232.inf");  // also on 64-bit Windows
    if (vista) {
        std::vector<sim::InfStore::Entry> stored = sim::InfStore(pc).List();
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_EQ(pc.files.Contents(stored[0].infPath), inf);
        EXPECT_EQ(stored[0].originalName, "qz232.inf");
        EXPECT_EQ(stored[0].sourceFolder, "C:\\Package\\232");
        EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\qz232.inf"));
        EXPECT_THAT(trace, Contains("CopyOEM OK"));
    } else {
        EXPECT_EQ(FilesIn("C:\\Windows\\inf"), (Files{{"qz232.inf", inf}}));
    }

    Files installed = FilesIn(I());
    EXPECT_EQ(installed.erase("touchcfg.ini"), 1u);
    EXPECT_EQ(installed.erase("setup.ini"), 1u);
    EXPECT_EQ(installed, (Files{{"touchcfg.exe", PackageContent(vista ? "touchcfg.exe" : "touchcfg_xp.exe")},
                                {"setup.exe", PackageContent("setup.exe")},
                                {"setup.dll", PackageContent("setup.dll")},
                                {"uninstall.exe", PackageContent("setup.dat")},
                                {"tsutils.dll", PackageContent("tsutils.dll")},
                                {"readme.txt", PackageContent("readme.txt")},
                                {"qz232.inf", inf},
                                {"vexasdk.dll", PackageContent("vexasdk.dll")}}));
    EXPECT_TRUE(pc.files.Redirection());
    EXPECT_EQ(setup::StepCode, 21);
}

INSTANTIATE_TEST_SUITE_P(Families, SerialFamilyTest,
                         ::testing::Values(deploy_test::kWindows2000, deploy_test::kWindowsXp,
                                           deploy_test::kWindowsXpX64, deploy_test::kVistaX86,
                                           deploy_test::kWindows7X64),
                         test_support::CaseName());

TEST_F(SerialFilesTest, InstalledSetupIniHoldsProductOneAndNoDeviceKeys) {
    Prepare(deploy_test::kWindows7X64);
    form.CopyNtSerialFiles();
    EXPECT_EQ(
        pc.files.Contents(I() + "\\setup.ini"),
        "[SYSTEM]\r\nversion=3.25\r\nrelease=240610\r\ntargetdir=Brivo\r\nproduct=1\r\n"
        "createcontrolpanel=1\r\nallowmultiport=1\r\n[SETUPTEXT]\r\ngroupname=Acme Touch\r\n[ADDITIONAL]\r\n"
        "[INFData]\r\nmanufacturer=Acme Touch\r\n");
}

TEST_F(SerialFilesTest, TheUsbDriverGoesAndARefusedRegistrationIsOnlyTraced) {
    Prepare(deploy_test::kVistaX86);
    pc.files.AddFile("C:\\Windows\\System32\\drivers\\qzusbf.sys", "usb driver");
    pc.files.AddFile("C:\\Windows\\inf\\qz232.inf", "old copy", plat::kFileAttributeReadOnly);
    pc.FailCall("SetupCopyOEMInfA", plat::kErrorAccessDenied);
    form.CopyNtSerialFiles();
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\System32\\drivers\\qzusbf.sys"));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\qz232.inf"));
    EXPECT_THAT(trace, Contains("CopyOEM Failed=5"));
    EXPECT_THAT(trace, Not(Contains("CopyOEM OK")));
    EXPECT_TRUE(sim::InfStore(pc).List().empty());
    EXPECT_TRUE(pc.files.Exists(I() + "\\vexasdk.dll"));  // the rest goes on
}

TEST_F(SerialFilesTest, TheInfIsRegisteredByItsFullPathFromAPackageAtADriveRoot) {
    Prepare(deploy_test::kWindows7X64);
    for (std::string file : {"232\\qz232.inf", "232\\qz232.sys", "touchcfg.cpl"})
        pc.files.AddFile("D:\\" + file, PackageContent(file));
    pc.files.SetCurrentDirectoryA("D:\\");
    form.CopyNtSerialFiles();
    EXPECT_THAT(trace, Contains("CopyOEM OK"));
    EXPECT_EQ(sim::InfStore(pc).List().at(0).sourceFolder, "D:\\232");
    // The same INF again is not stored twice.
    form.CopyNtSerialFiles();
    EXPECT_EQ(sim::InfStore(pc).List().size(), 1u);
}

}  // namespace
