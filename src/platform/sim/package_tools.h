// Models of the driver package's tools and libraries on the simulated PC,
// with the same observable effects as the stand-ins built for Windows.
#pragma once

namespace sim {

class SimPc;

// Registers the package's programs and libraries by file name, wherever they lie.
void ModelPackageTools(SimPc& pc);

}  // namespace sim
