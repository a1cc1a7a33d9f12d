// The controller models of the staged INF and the choice of the connected one.
#include <gmock/gmock.h>

#include <algorithm>

#include "case_name.h"
#include "routine_fixture.h"

namespace {

using ::testing::ElementsAre;

class InfModelsTest : public RoutineTest {
protected:
    void StageInf(const std::string& models, const std::string& strings = "") {
        pc.files.AddFile(pc.facts.tempDir + "qzusbf.inf",
                         "[Version]\r\nSignature=\"$Windows NT$\"\r\n[QZMfg]\r\n" + models +
                             "[Strings]\r\nQZMfg=\"Example Touch\"\r\n" + strings +
                             "[QZK_Driver_Service_Inst]\r\nDisplayName=\"Touch filter\"\r\n");
    }
    static std::string Model(const std::string& digits, const std::string& id) {
        return "%QZUSB_" + digits + "% = QZUSB_Inst, USB\\" + id + "\r\n";
    }
};

TEST_F(InfModelsTest, ModelsOfConfiguredProductsAreReadUpToTheFirstGap) {
    form.PidList = {"0300", "0306"};
    StageInf(Model("00", "VID_0D7A&PID_0300") + Model("01", "VID_0D7A&PID_0301") +
                 Model("02", "VID_0D7A&PID_03001") + Model("03", "vid_0d7a&pid_0306") +
                 Model("04", "VID_0D7A&PID_0306") + Model("05", "VID_0D7A&PID_0300") +
                 Model("07", "VID_0D7A&PID_0306"),
             "QZUSB_00=\"First\"\r\nQZUSB_04=\"Composite\"\r\n");
    EXPECT_EQ(Run([&] { form.ReadUsbInfModels(); }), std::nullopt);
    // 01 has another product; 03 is written in lower case; 06 is missing, so 07 is never read.
    EXPECT_THAT(form.HwIdList, ElementsAre("VID_0D7A&PID_0300", "VID_0D7A&PID_03001", "VID_0D7A&PID_0306",
                                           "VID_0D7A&PID_0300"));
    EXPECT_THAT(form.HwDescList, ElementsAre("First", "Touch USB", "Composite", "Touch USB"));
    EXPECT_EQ(form.Manufacturer, "Example Touch");
    EXPECT_EQ(form.DriverDisplayName, "Touch filter");
    EXPECT_EQ(setup::StepCode, 40);
}

TEST_F(InfModelsTest, ModelTenUsesTheHexadecimalKey) {
    form.PidList = {"0310"};
    std::string models;
    for (int n = 0; n <= 9; ++n) models += Model("0" + std::to_string(n), "VID_0D7A&PID_0399");
    StageInf(models + Model("0A", "VID_0D7A&PID_0310") + Model("10", "VID_0D7A&PID_0310"));
    Run([&] { form.ReadUsbInfModels(); });
    EXPECT_THAT(form.HwIdList, ElementsAre("VID_0D7A&PID_0310"));
}

struct BrokenInfCase {
    const char* name;
    const char* contents;  // empty: no INF staged
};

class BrokenInfTest : public InfModelsTest, public ::testing::WithParamInterface<BrokenInfCase> {};

TEST_P(BrokenInfTest, StopsWithTheParsingMessage) {
    form.PidList = {"0300"};
    if (*GetParam().contents) pc.files.AddFile(pc.facts.tempDir + "qzusbf.inf", GetParam().contents);
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Run([&] { form.ReadUsbInfModels(); }), 0u);
    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_EQ(pc.windows.boxes[0].kind, sim::BoxKind::InfoBox);
    EXPECT_EQ(pc.windows.boxes[0].text, "Error while parsing INF file");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenInfTest,
    ::testing::Values(BrokenInfCase{"NotStaged", ""},
                      BrokenInfCase{"NoManufacturer", "[QZMfg]\r\n%QZUSB_00%=I, USB\\VID_0D7A&PID_0300\r\n"},
                      BrokenInfCase{"ManufacturerNil", "[Strings]\r\nQZMfg=nil\r\n"},
                      BrokenInfCase{
                          "SecondModelMissing",
                          "[Strings]\r\nQZMfg=M\r\n[QZMfg]\r\n%QZUSB_00%=I, USB\\VID_0D7A&PID_0300\r\n"}),
    test_support::CaseName());

TEST_F(InfModelsTest, MissingFirstModelReadsNothingAndSaysNothing) {
    form.PidList = {"0300"};
    StageInf(Model("01", "VID_0D7A&PID_0300"));
    EXPECT_EQ(Run([&] { form.ReadUsbInfModels(); }), std::nullopt);
    EXPECT_TRUE(form.HwIdList.empty());
    EXPECT_TRUE(pc.windows.boxes.empty());
}

class SelectDeviceTest : public RoutineTest {
protected:
    SelectDeviceTest() {
        form.HwIdList = {"VID_0D7A&PID_0300", "VID_0D7A&PID_0306"};
        form.HwDescList = {"Single", "Composite"};
    }
};

TEST_F(SelectDeviceTest, FirstConnectedModelInModelOrderBecomesTheDevice) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1");
    pc.devices.AddUsbController("VID_0D7A&PID_0300", "5&2&0&2");
    EXPECT_EQ(Run([&] { form.SelectConnectedDevice(); }), std::nullopt);
    EXPECT_EQ(form.DeviceHwId, "VID_0D7A&PID_0300");
    EXPECT_EQ(form.DeviceDescText, "Single");
    EXPECT_TRUE(pc.windows.boxes.empty());
}

TEST_F(SelectDeviceTest, ControllerPluggedInAtThePromptContinuesTheInstall) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1", false).connectAfterBoxes = 1;
    pc.windows.Answer(plat::kIdOk);
    EXPECT_EQ(Run([&] { form.SelectConnectedDevice(); }), std::nullopt);
    EXPECT_EQ(form.DeviceHwId, "VID_0D7A&PID_0306");
    EXPECT_EQ(form.DeviceDescText, "Composite");
    ASSERT_EQ(pc.windows.boxes.size(), 1u);
    EXPECT_EQ(pc.windows.boxes[0].text, "Please plugin controller to USB port");
    EXPECT_EQ(pc.windows.boxes[0].caption, "Warning");
    EXPECT_EQ(pc.windows.boxes[0].flags, plat::kMbOkCancel);
    EXPECT_EQ(setup::StepCode, 18);  // the last routine entered was the search
}

TEST_F(SelectDeviceTest, NoControllerAskedAgainOnOkAndEndedOnCancel) {
    pc.devices.AddUnrelatedDevices(100);
    pc.windows.Answer(plat::kIdOk);
    pc.windows.Answer(plat::kIdCancel);
    EXPECT_EQ(Run([&] { form.SelectConnectedDevice(); }), 0u);
    EXPECT_EQ(pc.windows.boxes.size(), 2u);
    EXPECT_TRUE(form.DeviceHwId.empty());
    // Each round asks for every model.
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "Find HID VID_0D7A&PID_0300"), 2);
}

}  // namespace
