// A simulated PC made current for one test, with the trace collected.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "shell/trace.h"

class SimTest : public ::testing::Test {
protected:
    SimTest() {
        plat::SetOs(&pc);
        setup::StepCode = -1;
        setup::SetTraceSink([this](const std::string& text) { trace.push_back(text); });
    }
    ~SimTest() override {
        setup::SetTraceSink(nullptr);
        plat::SetOs(nullptr);
    }

    sim::SimPc pc;
    std::vector<std::string> trace;
};
