#include <windows.h>
// setupapi.h needs windows.h first
#include <setupapi.h>

#include <vector>

#include "platform/win32/win32_os.h"

namespace plat::win32 {

Bool Win32Devices::SetupCopyOEMInfA(const std::string& sourceInf, const std::string& mediaLocation,
                                    DWord mediaType, DWord copyStyle, std::string* destination,
                                    DWord destinationSize, DWord* requiredSize,
                                    std::string* destinationComponent) {
    std::vector<char> buffer(destination != nullptr && destinationSize > 0 ? destinationSize : 1, '\0');
    PSTR component = nullptr;
    DWORD required = 0;
    BOOL ok = error_.Track(::SetupCopyOEMInfA(
        sourceInf.c_str(), mediaLocation.empty() ? nullptr : mediaLocation.c_str(), mediaType, copyStyle,
        destination != nullptr ? buffer.data() : nullptr, destination != nullptr ? destinationSize : 0,
        requiredSize != nullptr ? &required : nullptr,
        destinationComponent != nullptr ? &component : nullptr));
    if (requiredSize != nullptr) *requiredSize = required;
    if (destination != nullptr && ok)
        *destination = std::string(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
    if (destinationComponent != nullptr && ok && component != nullptr) *destinationComponent = component;
    return ok;
}

}  // namespace plat::win32
