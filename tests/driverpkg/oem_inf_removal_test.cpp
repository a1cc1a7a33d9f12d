// Finding the touch drivers' copies in the Windows INF folder and removing them.
#include <gmock/gmock.h>

#include "routine_fixture.h"

namespace {

using ::testing::ElementsAre;

constexpr const char* kInf = "C:\\Windows\\inf\\";

class OemInfRemovalTest : public RoutineTest {
protected:
    void AddOemInf(const std::string& name, const std::string& models,
                   plat::DWord attributes = plat::kFileAttributeArchive) {
        std::string base = name.substr(0, name.find('.'));
        pc.files.AddFile(kInf + name, "[Version]\r\nSignature=\"$Windows NT$\"\r\n" + models, attributes);
        pc.files.AddFile(kInf + base + ".pnf", "PNF", attributes);
    }
    bool Exists(const std::string& name) { return pc.files.Exists(kInf + name); }
};

TEST_F(OemInfRemovalTest, MatchesTheKeysOneToFiveOfItsProductOnly) {
    AddOemInf("oem1.inf", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    AddOemInf("oem2.inf", "[QZMfg]\r\n%QZUSB_5% = I, usb\\vid_0d7a&pid_0300\r\n");
    AddOemInf("oem3.inf", "[QZMfg]\r\n%QZUSB_6% = I, USB\\VID_0D7A&PID_0306\r\n");
    AddOemInf("oem4.inf", "[QZMfg]\r\n%QZUSB_00% = I, USB\\VID_0D7A&PID_0306\r\n");
    AddOemInf("oem5.inf", "[Manufacturer]\r\nOther=Other\r\n[Other]\r\nX = I, USB\\VID_0D7A&PID_0306\r\n");
    AddOemInf("oem6.inf", "[QZMfg]\r\n%QZ232_1% = I, SERENUM\\QVR0001\r\n");
    form.IsVistaOrLater = false;
    form.RemoveOemInfsUsb(true);
    EXPECT_FALSE(Exists("oem1.inf"));
    EXPECT_FALSE(Exists("oem1.pnf"));
    EXPECT_FALSE(Exists("oem2.inf"));
    for (const char* kept : {"oem3.inf", "oem4.inf", "oem5.inf", "oem6.inf", "oem3.pnf"})
        EXPECT_TRUE(Exists(kept)) << kept;
    EXPECT_THAT(trace, ElementsAre("Scan OEM USB"));  // XP: no Windows removal
    EXPECT_EQ(setup::StepCode, 70);
    EXPECT_EQ(pc.files.OpenFindHandles(), 0u);
}

TEST_F(OemInfRemovalTest, SerialIdInLowerCaseIsRecognised) {
    AddOemInf("oem12.inf", "[QZMfg]\r\n%QZ232_1% = I, SERENUM\\ABC\r\n%QZ232_2% = I, serenum\\qvr0002\r\n");
    form.IsVistaOrLater = false;
    form.RemoveOemInfsSerial(true);
    EXPECT_FALSE(Exists("oem12.inf"));
    EXPECT_THAT(trace, ElementsAre("Scan OEM"));
    EXPECT_EQ(setup::StepCode, 69);
}

TEST_F(OemInfRemovalTest, HiddenReadOnlyCopyAndNumbersFromOneHundredAreRemoved) {
    constexpr plat::DWord kHiddenReadOnly = plat::kFileAttributeHidden | plat::kFileAttributeReadOnly;
    AddOemInf("oem9.inf", "[QZMfg]\r\n%QZUSB_2% = I, USB\\VID_0D7A&PID_0306\r\n", kHiddenReadOnly);
    AddOemInf("OEM100.INF", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    AddOemInf("oem1234.inf", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    form.IsVistaOrLater = false;
    form.RemoveOemInfsUsb(true);
    EXPECT_FALSE(Exists("oem9.inf"));
    EXPECT_FALSE(Exists("oem9.pnf"));
    EXPECT_FALSE(Exists("OEM100.INF"));
    EXPECT_FALSE(Exists("oem1234.inf"));
}

TEST_F(OemInfRemovalTest, NamesThatAreNotOemNumberInfAreLeftAlone) {
    for (const char* name : {"oemx.inf", "oem.inf", "oem1a.inf", "myoem1.inf"})
        pc.files.AddFile(kInf + std::string(name), "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    pc.files.AddFolder(std::string(kInf) + "oem7.inf");
    form.RemoveOemInfsUsb(true);
    for (const char* name : {"oemx.inf", "oem.inf", "oem1a.inf", "myoem1.inf", "oem7.inf"})
        EXPECT_TRUE(Exists(name)) << name;
    EXPECT_THAT(trace, ElementsAre("Scan OEM USB"));
}

TEST_F(OemInfRemovalTest, VistaAsksWindowsFirstAndDeletesDirectlyAfterwards) {
    AddOemInf("oem7.inf", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    AddOemInf("oem8.inf", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0300\r\n");
    // Windows refuses the second: it is deleted all the same.
    pc.FailCallOn("SetupUninstallOEMInfA", "oem8.inf", plat::kErrorAccessDenied);
    form.RemoveOemInfsUsb(true);
    EXPECT_FALSE(Exists("oem7.inf"));
    EXPECT_FALSE(Exists("oem8.inf"));
    EXPECT_FALSE(Exists("oem8.pnf"));
    EXPECT_THAT(trace, ElementsAre("Scan OEM USB", "Try to load UninstallOem", "UninstallOem OK!",
                                   "Try to load UninstallOem", "UninstallOem failed=5"));
    EXPECT_THAT(pc.libraries.calls,
                ElementsAre("setupapi.dll!SetupUninstallOEMInfA", "setupapi.dll!SetupUninstallOEMInfA"));
}

TEST_F(OemInfRemovalTest, ForcedRemovalOfACopyStillInUse) {
    AddOemInf("oem7.inf", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1", false).driverInf = "oem7.inf";
    form.RemoveOemInfsUsb(true);
    EXPECT_FALSE(Exists("oem7.inf"));
    EXPECT_EQ(trace.back(), "UninstallOem OK!");
}

TEST_F(OemInfRemovalTest, MissingWindowsRemovalIsTracedAndTheFilesStillGo) {
    AddOemInf("oem7.inf", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    pc.libraries.SetSystemExport("setupapi.dll", "SetupUninstallOEMInfA", false);
    form.RemoveOemInfsUsb(true);
    EXPECT_FALSE(Exists("oem7.inf"));
    EXPECT_THAT(trace, ElementsAre("Scan OEM USB", "Try to load UninstallOem", "--failed#2!"));
    trace.clear();
    AddOemInf("oem8.inf", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    pc.FailCall("LoadLibraryA", plat::kErrorModNotFound);
    form.RemoveOemInfsUsb(true);
    EXPECT_FALSE(Exists("oem8.inf"));
    EXPECT_THAT(trace, ElementsAre("Scan OEM USB", "Try to load UninstallOem", "--failed#0!"));
}

TEST_F(OemInfRemovalTest, RecognisedButKeptWhenNotAskedToRemove) {
    AddOemInf("oem7.inf", "[QZMfg]\r\n%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n");
    form.RemoveOemInfsUsb(false);
    EXPECT_TRUE(Exists("oem7.inf"));
    EXPECT_THAT(trace, ElementsAre("Scan OEM USB"));
}

TEST_F(OemInfRemovalTest, NoCopiesAtAll) {
    form.RemoveOemInfsSerial(true);
    EXPECT_THAT(trace, ElementsAre("Scan OEM"));
}

}  // namespace
