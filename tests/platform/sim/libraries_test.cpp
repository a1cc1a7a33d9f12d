// The simulated system libraries export what each Windows version exports.
#include <gtest/gtest.h>

#include "case_name.h"
#include "sim_fixture.h"

namespace {

struct ExportCase {
    const char* name;
    plat::DWord major, minor;
    const char* servicePack;
    bool is64;
    bool localeEx, isWow64, fsRedirection, setDllDirectory, uninstallOemInf;
};

const ExportCase kExportCases[] = {
    {"Windows2000Sp4", 5, 0, "Service Pack 4", false, false, false, false, false, false},
    {"XpSp1", 5, 1, "Service Pack 1", false, false, false, false, true, true},
    {"XpSp3", 5, 1, "Service Pack 3", false, false, true, false, true, true},
    {"Server2003Rtm", 5, 2, "", false, false, false, false, false, true},
    {"Server2003Sp2", 5, 2, "Service Pack 2", false, false, true, false, true, true},
    {"XpX64", 5, 2, "Service Pack 2", true, false, true, true, true, true},
    {"VistaX86", 6, 0, "Service Pack 2", false, true, true, true, true, true},
    {"Windows7X64", 6, 1, "Service Pack 1", true, true, true, true, true, true},
};

class ExportsByVersion : public SimTest, public ::testing::WithParamInterface<ExportCase> {
protected:
    bool Exports(const char* library, const char* name) {
        plat::Handle module = pc.libraries.LoadLibraryA(library);
        EXPECT_NE(module, 0u) << library;
        bool present = pc.libraries.GetProcAddress(module, name) != 0;
        if (!present) {
            EXPECT_EQ(pc.GetLastError(), plat::kErrorProcNotFound);
        }
        pc.libraries.FreeLibrary(module);
        return present;
    }
};

TEST_P(ExportsByVersion, RunTimeLookupsFindWhatThatWindowsHas) {
    const ExportCase& c = GetParam();
    pc.facts.major = c.major;
    pc.facts.minor = c.minor;
    pc.facts.servicePack = c.servicePack;
    pc.facts.is64Bit = c.is64;
    EXPECT_EQ(Exports("kernel32.dll", "GetLocaleInfoEx"), c.localeEx);
    EXPECT_EQ(Exports("kernel32.dll", "IsWow64Process"), c.isWow64);
    EXPECT_EQ(Exports("kernel32.dll", "Wow64EnableWow64FsRedirection"), c.fsRedirection);
    EXPECT_EQ(Exports("kernel32.dll", "SetDllDirectoryA"), c.setDllDirectory);
    EXPECT_EQ(Exports("setupapi.dll", "SetupUninstallOEMInfA"), c.uninstallOemInf);
    EXPECT_TRUE(Exports("newdev.dll", "UpdateDriverForPlugAndPlayDevicesA"));
    EXPECT_TRUE(Exports("netapi32.dll", "NetUserGetInfo"));
}

INSTANTIATE_TEST_SUITE_P(Families, ExportsByVersion, ::testing::ValuesIn(kExportCases),
                         test_support::CaseName{});

TEST_F(SimTest, TestsCanAddOrTakeAwayASystemExport) {
    pc.facts.major = 5;
    pc.facts.minor = 1;
    pc.libraries.SetSystemExport("kernel32.dll", "GetLocaleInfoEx", true);
    pc.libraries.SetSystemExport("kernel32.dll", "IsWow64Process", false);
    plat::Handle kernel = pc.libraries.GetModuleHandleA("kernel32.dll");
    EXPECT_NE(pc.libraries.GetProcAddress(kernel, "GetLocaleInfoEx"), 0u);
    EXPECT_EQ(pc.libraries.GetProcAddress(kernel, "IsWow64Process"), 0u);
}

}  // namespace
