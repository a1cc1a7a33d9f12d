// Names parameterised cases after their `name` field, so a failure says which case.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace test_support {

struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& param) const {
        return param.param.name;
    }
};

}  // namespace test_support

namespace {

// Parameterised cases print as their name, so test listings stay readable.
template <class Case>
requires requires(const Case& c) {
    std::string(c.name);
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

}  // namespace
