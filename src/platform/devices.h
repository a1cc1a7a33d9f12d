// Devices and driver packages: the Setup API (setupapi), the HID library (hid)
// and the driver update of newdev, one method per call.
#pragma once

#include <string>

#include "platform/wintypes.h"

namespace plat {

// SetupCopyOEMInfA: media types and copy styles.
constexpr DWord kSpostNone = 0;
constexpr DWord kSpostPath = 1;
constexpr DWord kSpostUrl = 2;
constexpr DWord kSpCopyNoOverwrite = 0x8;
constexpr DWord kSpCopyOemInfCatalogOnly = 0x40000;

class DeviceApi {
public:
    virtual ~DeviceApi() = default;

    // Driver package store (files on the target PC): SetupCopyOEMInfA. The
    // media location empty stands for NULL; `destination` nullptr stands for
    // no destination buffer (its size then 0), likewise `requiredSize` and
    // `destinationComponent` (the file name part of the destination).
    virtual Bool SetupCopyOEMInfA(const std::string& sourceInf, const std::string& mediaLocation,
                                  DWord mediaType, DWord copyStyle, std::string* destination,
                                  DWord destinationSize, DWord* requiredSize,
                                  std::string* destinationComponent) = 0;
};

}  // namespace plat
