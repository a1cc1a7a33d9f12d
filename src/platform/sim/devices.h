// The simulated PC's devices and its store of driver packages.
#pragma once

#include <string>

#include "platform/devices.h"

namespace sim {

class SimPc;

class SimDevices : public plat::DeviceApi {
public:
    explicit SimDevices(SimPc& pc) : pc_(pc) {}

    // Driver package store (files on the target PC), in inf_store.cpp.
    plat::Bool SetupCopyOEMInfA(const std::string& sourceInf, const std::string& mediaLocation,
                                plat::DWord mediaType, plat::DWord copyStyle, std::string* destination,
                                plat::DWord destinationSize, plat::DWord* requiredSize,
                                std::string* destinationComponent) override;

private:
    SimPc& pc_;
};

}  // namespace sim
