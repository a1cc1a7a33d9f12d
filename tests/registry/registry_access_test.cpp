// The registry accessor's reads and value deletion.
#include "registry/registry_access.h"

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace {

using RegistryAccessTest = SimTest;

constexpr const char* kKey =
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96F-E325-11CE-BFC1-08002BE10318}\\0001";

TEST_F(RegistryAccessTest, ReadsTextValuesAndTellsOtherTypesApart) {
    pc.registry.SetString(kKey, "InfPath", "qz232.inf");
    pc.registry.SetString(kKey, "Expanded", "%SystemRoot%\\inf\\oem3.inf", plat::kRegExpandSz);
    pc.registry.SetDword(kKey, "Number", 5);
    pc.registry.SetBinary(kKey, "Bytes", {'q', 'z', 0});
    setup::RegistryAccess registry;
    ASSERT_TRUE(registry.OpenKey(std::string(kKey).substr(5), false));
    EXPECT_EQ(registry.ReadString("InfPath"), "qz232.inf");
    EXPECT_EQ(registry.ReadString("Expanded"), "%SystemRoot%\\inf\\oem3.inf");  // not expanded
    EXPECT_EQ(registry.ReadString("Missing"), "");
    EXPECT_EQ(registry.ReadString("Number"), std::nullopt);
    EXPECT_EQ(registry.ReadString("Bytes"), std::nullopt);
    pc.FailCallOn("RegQueryValueExA", "InfPath", plat::kErrorAccessDenied);
    EXPECT_EQ(registry.ReadString("InfPath"), "");
}

TEST_F(RegistryAccessTest, DeletesValuesOfTheOpenKey) {
    pc.registry.SetString(kKey, "InfPath", "qz232.inf");
    setup::RegistryAccess registry;
    EXPECT_FALSE(registry.DeleteValue("InfPath"));  // no key open
    ASSERT_TRUE(registry.OpenKey(std::string(kKey).substr(5), false));
    EXPECT_TRUE(registry.DeleteValue("InfPath"));
    EXPECT_FALSE(registry.DeleteValue("InfPath"));
    EXPECT_FALSE(pc.registry.Value(kKey, "InfPath"));
}

}  // namespace
