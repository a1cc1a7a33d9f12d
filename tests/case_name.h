// Names parameterised cases after their `name` field, so a failure says which case.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace test_support {

struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& param) const {
        return param.param.name;
    }
};

}  // namespace test_support
