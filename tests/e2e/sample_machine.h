// The machine of the whole runs: Windows 7 64-bit with an English system
// language, an administrator logged on, "PcaSvc" running, a compatibility-layer
// entry of another program, and the sample driver package of the repository
// (package/, without its tools' sources) in C:\Package, from where setup.exe runs.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace e2e {

inline constexpr const char* kPackageFolder = "C:\\Package";
inline constexpr const char* kLayersKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
// A compatibility-layer entry that belongs to another program.
inline constexpr const char* kOtherProgramLayer = "C:\\Other\\tool.exe";

void BuildSampleMachine(sim::SimPc& pc);

// Copies the sample package's files into `folder` of the machine.
void AddSamplePackage(sim::SimPc& pc, const std::string& folder);

// The value names under the compatibility-layer key as the program sees it.
std::vector<std::string> LayerEntries(sim::SimPc& pc);

}  // namespace e2e
