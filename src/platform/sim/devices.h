// The simulated PC's devices and its store of driver packages.
#pragma once

#include "platform/devices.h"

namespace sim {

class SimPc;

class SimDevices : public plat::DeviceApi {
public:
    explicit SimDevices(SimPc& pc) : pc_(pc) {}

private:
    [[maybe_unused]] SimPc& pc_;
};

}  // namespace sim
