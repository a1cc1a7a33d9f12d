#include <gmock/gmock.h>

#include "case_name.h"
#include "deploy/deploy_fixture.h"

namespace {

using deploy_test::DeployTest;
using deploy_test::PackageContent;
using deploy_test::WindowsFamily;
using ::testing::ElementsAre;

struct StagingCase {
    const char* name;
    WindowsFamily family;
    std::int32_t product;
    // The package file each staged file comes from: driver, INF, catalog.
    std::vector<std::string> sources;
};

class StagingTest : public DeployTest, public ::testing::WithParamInterface<StagingCase> {};

TEST_P(StagingTest, StagesTheProductsPackageOfTheArchitecture) {
    UseWindows(GetParam().family);
    AddPackage();
    form.ProductKind = GetParam().product;
    form.GenerateInf();
    const bool usb = GetParam().product == 0;
    const std::vector<std::string> targets =
        usb ? std::vector<std::string>{"qzusbf.sys", "qzusbf.inf", "qzusbf.cat"}
            : std::vector<std::string>{"qz232.sys", "qz232.inf", "qz232.cat"};
    std::map<std::string, std::string> expected;
    std::vector<std::string> expectedTrace = {"Generate INF file", "Write catalog file",
                                              usb ? "Write catalog file#1" : "Write catalog file#2"};
    for (std::size_t i = 0; i < targets.size(); ++i) {
        expected[targets[i]] = PackageContent(GetParam().sources[i]);
        expectedTrace.push_back("Copy C:\\Package\\" + GetParam().sources[i] + " to C:\\Temp\\" + targets[i] +
                                " success!");
    }
    EXPECT_EQ(FilesIn("C:\\Temp"), expected);
    EXPECT_EQ(trace, expectedTrace);
    EXPECT_THAT(form.PidList, ElementsAre("0300", "0301", "0302"));
    EXPECT_EQ(setup::StepCode, 39);
}

INSTANTIATE_TEST_SUITE_P(
    Products, StagingTest,
    ::testing::Values(
        StagingCase{"UsbXp", deploy_test::kWindowsXp, 0, {"qzusbf.sys", "qzusbf.inf", "qzusbf.cat"}},
        StagingCase{"UsbVista", deploy_test::kVistaX86, 0, {"qzusbf.sys", "qzusbf.inf", "qzusbfv.cat"}},
        StagingCase{"UsbXpX64",
                    deploy_test::kWindowsXpX64,
                    0,
                    {"xp64\\qzusbf.sys", "xp64\\qzusbf.inf", "xp64\\qzusbf.cat"}},
        StagingCase{"UsbWindows7X64",
                    deploy_test::kWindows7X64,
                    0,
                    {"xp64\\qzusbf.sys", "xp64\\qzusbf.inf", "xp64\\qzusbfv.cat"}},
        StagingCase{
            "SerialVista", deploy_test::kVistaX86, 1, {"232\\qz232.sys", "232\\qz232.inf", "232\\qz232.cat"}},
        StagingCase{"SerialWindows7X64",
                    deploy_test::kWindows7X64,
                    1,
                    {"xp64\\232\\qz232.sys", "xp64\\232\\qz232.inf", "xp64\\232\\qz232.cat"}}),
    test_support::CaseName());

class StagingStopTest : public DeployTest {
protected:
    StagingStopTest() {
        UseWindows(deploy_test::kWindowsXp);
        AddPackage();
        form.UiTexts[8] = "The driver package is incomplete (INF file).";
        form.ProductKind = 0;
        pc.windows.Answer(plat::kIdOk);
    }
    void ExpectStopWithText9() {
        ASSERT_EQ(pc.windows.boxes.size(), 1u);
        EXPECT_EQ(pc.windows.boxes[0].text, "The driver package is incomplete (INF file).");
        EXPECT_EQ(pc.windows.boxes[0].kind, sim::BoxKind::InfoBox);
        EXPECT_TRUE(FilesIn("C:\\Temp").empty());
    }
};

TEST_F(StagingStopTest, AMissingTemplateStops) {
    pc.files.Remove("C:\\Package\\infraw.dat");
    EXPECT_TRUE(EndsTheProcess([&] { form.GenerateInf(); }));
    ExpectStopWithText9();
}

TEST_F(StagingStopTest, AnEmptyTemplateIsEnoughButAnEmptyPidListStops) {
    pc.files.AddFile("C:\\Package\\infraw.dat", "");
    WriteConfiguration("[INFData]\r\nPIDList=\r\n");
    EXPECT_TRUE(EndsTheProcess([&] { form.GenerateInf(); }));
    ExpectStopWithText9();
    EXPECT_TRUE(form.PidList.empty());
}

TEST_F(StagingStopTest, AMissingPackageFileIsOnlyTraced) {
    pc.files.Remove("C:\\Package\\qzusbf.cat");
    form.GenerateInf();
    EXPECT_EQ(trace.back(), "Copy C:\\Package\\qzusbf.cat to C:\\Temp\\qzusbf.cat fail!");
    EXPECT_EQ(FilesIn("C:\\Temp").size(), 2u);
}

}  // namespace
