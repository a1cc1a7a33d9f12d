// Models of the driver package's tools and libraries on the simulated PC,
// with the same observable effects as the stand-ins built for Windows.
#pragma once

namespace sim {

class SimPc;

// Registers the package's programs and libraries by file name, wherever they
// lie, and Microsoft's DPInst and DevCon, which the program writes out.
void ModelPackageTools(SimPc& pc);
// Windows' own tools the program runs (sc.exe), present in System32.
void ModelSystemTools(SimPc& pc);

}  // namespace sim
