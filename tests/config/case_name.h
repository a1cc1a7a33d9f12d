// Names parameterised cases after their `name` field, so a failure says which case.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace config_test {

struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& param) const {
        return param.param.name;
    }
};

}  // namespace config_test
