#include <gtest/gtest.h>

#include "shell/form.h"

namespace {

struct Case {
    std::vector<std::string> arguments;
    setup::CommandSwitch::Kind kind;
    std::int32_t product;
};

class CommandLineTest : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLineTest, ParsesFirstTwoArguments) {
    setup::CommandSwitch command = setup::ParseCommandLine(GetParam().arguments);
    EXPECT_EQ(command.kind, GetParam().kind);
    if (command.kind == setup::CommandSwitch::Install) {
        EXPECT_EQ(command.product, GetParam().product);
    }
}

using K = setup::CommandSwitch;
INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineTest,
    ::testing::Values(Case{{}, K::None, -1}, Case{{"-i", "USB"}, K::Install, 0},
                      Case{{"-I", "USB"}, K::Install, 0}, Case{{"-i", "232"}, K::Install, 1},
                      Case{{"-i", "USB", "extra"}, K::Install, 0},
                      // The product name is exact: lower case is not a product.
                      Case{{"-i", "usb"}, K::BadProduct, -1}, Case{{"-i"}, K::BadProduct, -1},
                      Case{{"-i", "RS232"}, K::BadProduct, -1}, Case{{"-u"}, K::Uninstall, -1},
                      Case{{"-U", "xyz"}, K::Uninstall, -1}, Case{{"/i", "USB"}, K::None, -1},
                      Case{{"-install", "USB"}, K::None, -1}, Case{{"USB"}, K::None, -1}));

}  // namespace
