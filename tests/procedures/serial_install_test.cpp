// The RS-232 product install: the cleanup of an earlier serial touch driver
// (OEM INF copies, devices, mouse-class drivers, serial enumerator instances
// in the three saved control sets), then files, registry settings, shortcuts.
#include <gmock/gmock.h>

#include "procedures/procedure_fixture.h"

namespace procedures_test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kMouseClass =
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96F-E325-11CE-BFC1-08002BE10318}";

class SerialInstallTest : public ProcedureTest {
protected:
    void SetUp() override {
        UseWindows(kWindows7X64);
        form.ProductKind = 1;
    }
    bool Install() {
        bool result = false;
        EXPECT_EQ(Run([&] { result = form.InstallSerialProduct(); }), std::nullopt);
        return result;
    }
    void MouseDriver(const std::string& name, const std::string& infPath, plat::DWord type = plat::kRegSz) {
        const std::string key = std::string(kMouseClass) + "\\" + name;
        if (type == plat::kRegDword)
            pc.registry.SetDword(key, "InfPath", 7);
        else if (type == plat::kRegBinary)
            pc.registry.SetBinary(key, "InfPath", std::vector<std::uint8_t>(infPath.begin(), infPath.end()));
        else
            pc.registry.SetString(key, "InfPath", infPath, type);
        pc.registry.SetString(key + "\\Settings", "Sample", "1");
    }
    static std::string DeviceKey(int set, int model) {
        return "HKLM\\SYSTEM\\ControlSet00" + std::to_string(set) + "\\Enum\\SERENUM\\QVR000" +
               std::to_string(model);
    }
    static std::string Instance(int set, int model, const std::string& instance) {
        return DeviceKey(set, model) + "\\" + instance;
    }
};

TEST_F(SerialInstallTest, MouseClassDriversFromThePackageInfGoWhateverTheLetterCase) {
    MouseDriver("0000", "msmouse.inf");
    MouseDriver("0001", "QZ232.INF");
    MouseDriver("0002", "oem12.inf");  // a store copy of the package INF: not recognised by name
    MouseDriver("0003", "qz232.inf", plat::kRegExpandSz);
    MouseDriver("0004", "qz232.inf.bak");
    pc.registry.CreateKey(std::string(kMouseClass) + "\\0005");  // no InfPath at all
    EXPECT_TRUE(Install());
    EXPECT_THAT(pc.registry.SubkeyNames(kMouseClass), ElementsAre("0000", "0002", "0004", "0005"));
    EXPECT_EQ(trace.front(), "Start install 232");
}

// Formerly a value of another type ended the install half-way through its
// cleanup, in the fatal-error report.
TEST_F(SerialInstallTest, ValuesOfAnotherTypeLeaveTheirKeyAloneAndTheScanGoesOn) {
    MouseDriver("0000", "", plat::kRegDword);
    MouseDriver("0001", "qz232.inf", plat::kRegBinary);
    MouseDriver("0002", "qz232.inf");
    pc.registry.SetDword(Instance(1, 1, "1&1"), "Service", 1);
    pc.registry.SetString(Instance(1, 1, "1&2"), "Service", "qz232");
    EXPECT_TRUE(Install());
    EXPECT_THAT(pc.registry.SubkeyNames(kMouseClass), ElementsAre("0000", "0001"));
    EXPECT_THAT(pc.registry.SubkeyNames(DeviceKey(1, 1)), ElementsAre("1&1"));
    EXPECT_TRUE(pc.files.Exists("C:\\Windows\\System32\\Drivers\\qz232.sys"));  // the install went on
}

TEST_F(SerialInstallTest, SerialEnumeratorInstancesOfTheDriverGoInEverySavedControlSet) {
    for (int set = 1; set <= 3; ++set) {
        for (int model = 1; model <= 3; ++model) {
            pc.registry.SetString(Instance(set, model, "1&ours"), "Service", "QZ232");
            pc.registry.SetString(Instance(set, model, "1&ours") + "\\Device Parameters", "PortName", "COM1");
            pc.registry.SetString(Instance(set, model, "1&other"), "Service", "sermouse");
        }
    }
    pc.registry.SetString(Instance(4, 1, "1&ours"), "Service", "qz232");
    const std::string current = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\SERENUM\\QVR0002\\1&ours";
    pc.registry.SetString(current, "Service", "qz232");
    pc.registry.SetString(Instance(2, 3, "1&service"), "Service", "qz232x");
    EXPECT_TRUE(Install());
    for (int set = 1; set <= 3; ++set) {
        for (int model = 1; model <= 3; ++model) {
            EXPECT_FALSE(pc.registry.KeyExists(Instance(set, model, "1&ours"))) << set << model;
            EXPECT_TRUE(pc.registry.KeyExists(Instance(set, model, "1&other"))) << set << model;
        }
    }
    EXPECT_TRUE(pc.registry.KeyExists(Instance(4, 1, "1&ours")));  // only the three saved sets
    EXPECT_TRUE(pc.registry.KeyExists(Instance(2, 3, "1&service")));
}

TEST_F(SerialInstallTest, AKeyThatCannotBeDeletedIsPassedOver) {
    pc.registry.SetString(Instance(1, 1, "1&ours"), "Service", "qz232");
    pc.registry.RefuseDeletion(Instance(1, 1, "1&ours"));
    pc.registry.SetString(Instance(2, 1, "1&ours"), "Service", "qz232");
    pc.registry.SetString(Instance(3, 1, "1&ours"), "Service", "qz232");
    pc.registry.DenyAccess(DeviceKey(3, 1));  // does not open: the next model goes on
    pc.registry.SetString(Instance(3, 2, "1&ours"), "Service", "qz232");
    EXPECT_TRUE(Install());
    EXPECT_TRUE(pc.registry.KeyExists(Instance(1, 1, "1&ours")));
    EXPECT_FALSE(pc.registry.KeyExists(Instance(2, 1, "1&ours")));
    EXPECT_TRUE(pc.registry.KeyExists(Instance(3, 1, "1&ours")));
    EXPECT_FALSE(pc.registry.KeyExists(Instance(3, 2, "1&ours")));
}

TEST_F(SerialInstallTest, EarlierDriverPackagesAndDevicesGoBeforeTheFilesArePlaced) {
    pc.files.AddFile("C:\\Windows\\inf\\oem7.inf", "[QZMfg]\r\n%QZ232_1%=QZ232_Inst, serenum\\qvr0002\r\n");
    pc.files.AddFile("C:\\Windows\\inf\\oem7.pnf", "");
    pc.files.AddFile("C:\\Windows\\inf\\oem8.inf", "[Version]\r\nClass=Mouse\r\n");
    for (const char* id : {"QVR0001", "QVR0003"}) {
        sim::SimDevice device;
        device.instanceId = std::string("SERENUM\\") + id + "\\1";
        device.hardwareIds = {std::string("SERENUM\\") + id};
        device.className = "Mouse";
        device.classGuid = plat::kGuidClassMouse;
        device.connected = false;
        pc.devices.Add(device);
    }
    pc.recordCalls = true;
    EXPECT_TRUE(Install());
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem7.inf"));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem7.pnf"));
    EXPECT_TRUE(pc.files.Exists("C:\\Windows\\inf\\oem8.inf"));
    EXPECT_TRUE(pc.devices.All().empty());
    EXPECT_TRUE(pc.files.Exists(InstallFolder() + "\\touchcfg.exe"));
    EXPECT_EQ(pc.registry.String("HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Setup",
                                 "SourcePath"),
              "C:\\Windows\\System32\\Drivers\\");
    EXPECT_TRUE(pc.files.Exists(
        "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Example Touch\\Touch control panel.lnk"));
    EXPECT_TRUE(form.HwIdList.empty());

    // The OEM copies go before the devices, the devices before the first file is placed.
    auto first = [&](const std::string& call) {
        for (std::size_t i = 0; i < pc.recordedCalls.size(); ++i)
            if (pc.recordedCalls[i].call == call) return i;
        return pc.recordedCalls.size();
    };
    EXPECT_LT(first("FindFirstFileA"), first("SetupDiRemoveDevice"));
    EXPECT_LT(first("SetupDiRemoveDevice"), first("CopyFileA"));
}

}  // namespace
}  // namespace procedures_test
