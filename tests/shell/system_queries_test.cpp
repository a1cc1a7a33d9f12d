#include <gtest/gtest.h>

#include "case_name.h"
#include "shell/shell_fixture.h"

namespace {

using SystemQueriesTest = ShellTest;

TEST_F(SystemQueriesTest, CurrentUserName) {
    setup::TVEXA_Form1 form;
    pc.facts.userName = "Technician";
    EXPECT_EQ(form.GetCurrentUserName(), "Technician");
    EXPECT_EQ(setup::StepCode, 23);
    pc.facts.userName = std::string(253, 'u');  // does not fit the 253 characters announced with its NUL
    EXPECT_EQ(form.GetCurrentUserName(), "");
    pc.facts.userName = "Admin";
    pc.FailCall("GetUserNameA", plat::kErrorAccessDenied);
    EXPECT_EQ(form.GetCurrentUserName(), "");
}

struct PrivilegeCase {
    const char* name;
    int privilege;
    const char* failing;  // a call made to fail, or ""
    std::int32_t result;
};

class AdministratorTest : public ShellTest, public ::testing::WithParamInterface<PrivilegeCase> {};

TEST_P(AdministratorTest, ReportsThePrivilegeLevelOrGuestOnFailure) {
    pc.facts.privilege = GetParam().privilege;
    if (*GetParam().failing) pc.FailCall(GetParam().failing, plat::kErrorAccessDenied);
    setup::TVEXA_Form1 form;
    EXPECT_EQ(form.IsAdministrator(), GetParam().result);
    EXPECT_EQ(setup::StepCode, 23);  // the user-name query was entered last
}

INSTANTIATE_TEST_SUITE_P(Cases, AdministratorTest,
                         ::testing::Values(PrivilegeCase{"Administrator", 2, "", 2},
                                           PrivilegeCase{"User", 1, "", 1}, PrivilegeCase{"Guest", 0, "", 0},
                                           PrivilegeCase{"NoUserName", 2, "GetUserNameA", 0},
                                           PrivilegeCase{"NoNetapi", 2, "LoadLibraryA", 0},
                                           PrivilegeCase{"NoEntryPoint", 2, "GetProcAddress", 0},
                                           PrivilegeCase{"QueryFails", 2, "NetUserGetInfo", 0}),
                         test_support::CaseName());

TEST_F(SystemQueriesTest, Wow64Query) {
    setup::TVEXA_Form1 form;
    pc.facts.is64Bit = true;
    EXPECT_TRUE(form.IsWow64());
    EXPECT_EQ(setup::StepCode, 20);
    pc.facts.is64Bit = false;
    EXPECT_FALSE(form.IsWow64());
    // Windows without the query (2000, XP before SP2) is 32-bit.
    pc.facts.is64Bit = true;
    pc.libraries.SetSystemExport("kernel32.dll", "IsWow64Process", false);
    EXPECT_FALSE(form.IsWow64());
}

TEST_F(SystemQueriesTest, CaptionFontOutputsStayWhenMetricsFail) {
    setup::TVEXA_Form1 form;
    std::string name = "before";
    std::uint8_t charset = 7;
    std::int32_t size = 99;
    pc.FailCall("SystemParametersInfoA", plat::kErrorInvalidParameter);
    EXPECT_FALSE(form.GetCaptionFont(name, charset, size));
    EXPECT_EQ(name, "before");
    EXPECT_EQ(charset, 7);
    EXPECT_EQ(size, 99);
    EXPECT_EQ(setup::StepCode, 19);

    pc.system.captionFont = {-16, 0, 700, 0, 134, "SimSun"};
    pc.system.pixelsPerInchY = 120;
    EXPECT_TRUE(form.GetCaptionFont(name, charset, size));
    EXPECT_EQ(name, "SimSun");
    EXPECT_EQ(charset, 134);
    EXPECT_EQ(size, 10);  // (19 - 3) * 72 / 120 = 9.6
    EXPECT_EQ(pc.system.OpenGdiObjects(), 0u);
}

}  // namespace
