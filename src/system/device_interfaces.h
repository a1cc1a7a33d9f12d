// Reading a device interface's path through the Setup API, as every routine
// that walks device interfaces does it.
#pragma once

#include <optional>
#include <string>

#include "platform/devices.h"

namespace setup {

// Asks for the size of the interface's detail record, then fetches it in a
// buffer of that size with the record's size field set to the fixed size of
// the 32-bit record. The path, or nullopt when the size query does not
// report a size with ERROR_INSUFFICIENT_BUFFER or the fetch fails. `device`,
// when given, receives the interface's device.
std::optional<std::string> FetchInterfacePath(plat::Handle set, const plat::DeviceInterfaceData& data,
                                              plat::DevInfoData* device = nullptr);

// ASCII letters in lower case, as the program compares interface paths.
std::string LowerAscii(std::string text);
std::string UpperAscii(std::string text);

}  // namespace setup
