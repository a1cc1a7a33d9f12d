// The simulated package tools have the observable effects of the stand-ins.
#include "platform/sim/package_tools.h"

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace {

class PackageToolModels : public SimTest {
protected:
    PackageToolModels() { sim::ModelPackageTools(pc); }

    plat::DWord Run(const std::string& commandLine, const std::string& folder = "") {
        plat::StartupInfo startup;
        startup.cb = 68;
        plat::ProcessInformation info;
        EXPECT_NE(pc.processes.CreateProcessA("", commandLine, 0, 0, folder, startup, &info), 0)
            << commandLine;
        pc.processes.WaitForSingleObject(info.process, 0xFFFFFFFFu);
        plat::DWord code = 0;
        pc.processes.GetExitCodeProcess(info.process, &code);
        pc.processes.CloseHandle(info.process);
        pc.processes.CloseHandle(info.thread);
        return code;
    }
};

TEST_F(PackageToolModels, PnpRegClearsItsMarkerInTheViewOfA32BitTool) {
    pc.files.AddFile("C:\\Package\\pnpreg.exe", "MZ");
    const std::string marker = "HKLM\\SOFTWARE\\Wow6432Node\\Brivo\\PnpReg";
    pc.registry.SetDword(marker, "PnpPending", 1);
    pc.registry.SetDword(marker, "Other", 1);
    EXPECT_EQ(Run("C:\\Package\\pnpreg.exe -u"), 0u);
    EXPECT_FALSE(pc.registry.Value(marker, "PnpPending"));
    EXPECT_TRUE(pc.registry.Value(marker, "Other"));
    EXPECT_EQ(Run("C:\\Package\\pnpreg.exe -x"), 1u);
}

TEST_F(PackageToolModels, UninstallerClosesItsWindowWhenSetupHasEnded) {
    pc.files.AddFile("C:\\Program Files (x86)\\Touch\\uninstall.exe", "MZ");
    pc.files.AddFile("C:\\Program Files (x86)\\Touch\\setup.exe", "MZ");
    plat::StartupInfo startup;
    startup.cb = 68;
    plat::ProcessInformation info;
    ASSERT_NE(pc.processes.CreateProcessA("", "\"C:\\Program Files (x86)\\Touch\\uninstall.exe\"", 0, 0, "",
                                          startup, &info),
              0);
    ASSERT_EQ(pc.processes.launches.size(), 2u);
    EXPECT_EQ(pc.processes.launches[1].commandLine, "\"C:\\Program Files (x86)\\Touch\\setup.exe\" -u");
    EXPECT_EQ(pc.processes.launches[1].currentDirectory, "C:\\Program Files (x86)\\Touch");
    EXPECT_NE(pc.windows.FindWindowA(std::string("TUN_INST"), std::string(".UN_INST.")), 0u);
    pc.processes.WaitForSingleObject(info.process, 0xFFFFFFFFu);
    EXPECT_EQ(pc.windows.FindWindowA(std::string("TUN_INST"), std::string(".UN_INST.")), 0u);
}

TEST_F(PackageToolModels, UninstallerWithoutSetupBesideItEndsWithOne) {
    pc.files.AddFile("C:\\Touch\\uninstall.exe", "MZ");
    EXPECT_EQ(Run("C:\\Touch\\uninstall.exe"), 1u);
}

}  // namespace
