// The system's message for an error code, as errors raised from a failed
// system call carry it.
#pragma once

#include <string>

#include "platform/wintypes.h"

namespace setup {

// The message without its trailing line break, blanks and dots; empty when
// the system has no message for the code.
std::string SystemErrorMessage(plat::DWord code);

}  // namespace setup
