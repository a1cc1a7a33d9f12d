// The four tool images setup.exe carries and writes into the install folder:
// DPInst and DevCon, each for x86 and x64. Their bytes are generated into the
// program at build time (see payloads.cmake); which files they come from is
// chosen there.
#pragma once

#include <cstddef>

namespace setup::payloads {

struct Image {
    const unsigned char* data;
    std::size_t size;
};

Image DpinstX86();
Image DpinstX64();
Image DevconX86();
Image DevconX64();

}  // namespace setup::payloads
