// Devices and driver packages: the Setup API (setupapi), the HID library (hid)
// and the driver update of newdev, one method per call.
//
// Records carry the size fields as the program sets them. The program is a
// 32-bit process, so it sets the sizes of the 32-bit records (SP_DEVINFO_DATA
// and SP_DEVICE_INTERFACE_DATA 28, SP_DEVICE_INTERFACE_DETAIL_DATA_A 5); a
// backend built for another architecture passes its own record size for
// exactly these values and any other value unchanged, so that a wrong size
// still fails as on Windows (ERROR_INVALID_USER_BUFFER).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/wintypes.h"

namespace plat {

// SetupCopyOEMInfA: media types and copy styles.
constexpr DWord kSpostNone = 0;
constexpr DWord kSpostPath = 1;
constexpr DWord kSpostUrl = 2;
constexpr DWord kSpCopyNoOverwrite = 0x8;
constexpr DWord kSpCopyOemInfCatalogOnly = 0x40000;

// Device interface and setup classes.
constexpr Guid kGuidDevInterfaceUsbDevice = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr Guid kGuidDevInterfaceHid = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr Guid kGuidClassHid = {0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};
constexpr Guid kGuidClassMouse = {
    0x4D36E96F, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr Guid kGuidClassPorts = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr Guid kGuidClassUsb = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// SetupDiGetClassDevs flags.
constexpr DWord kDigcfDefault = 0x01;
constexpr DWord kDigcfPresent = 0x02;
constexpr DWord kDigcfAllClasses = 0x04;
constexpr DWord kDigcfProfile = 0x08;
constexpr DWord kDigcfDeviceInterface = 0x10;

// Device registry properties (SPDRP_...).
constexpr DWord kSpdrpDeviceDesc = 0x00;
constexpr DWord kSpdrpHardwareId = 0x01;
constexpr DWord kSpdrpCompatibleIds = 0x02;
constexpr DWord kSpdrpClass = 0x07;
constexpr DWord kSpdrpClassGuid = 0x08;
constexpr DWord kSpdrpDriver = 0x09;
constexpr DWord kSpdrpFriendlyName = 0x0C;
constexpr DWord kSpdrpUpperFilters = 0x11;
constexpr DWord kSpdrpLowerFilters = 0x12;

// Class installer requests and state changes.
constexpr DWord kDifPropertyChange = 0x12;
constexpr DWord kDicsEnable = 1;
constexpr DWord kDicsDisable = 2;
constexpr DWord kDicsPropChange = 3;
constexpr DWord kDicsStart = 4;
constexpr DWord kDicsStop = 5;
constexpr DWord kDicsFlagGlobal = 1;
constexpr DWord kDicsFlagConfigSpecific = 2;

// SP_DEVICE_INTERFACE_DATA flags.
constexpr DWord kSpintActive = 1;
constexpr DWord kSpintDefault = 2;
constexpr DWord kSpintRemoved = 4;

// SetupUninstallOEMInf and UpdateDriverForPlugAndPlayDevices flags.
constexpr DWord kSuoiForceDelete = 0x1;
constexpr DWord kInstallFlagForce = 0x1;

// CreateFile on a device (access and creation values in wintypes.h).
constexpr DWord kFileShareWrite = 0x2;

// Errors of the Setup API and of the device calls.
constexpr DWord kErrorInvalidData = 13;
constexpr DWord kErrorInvalidFlags = 1004;
constexpr DWord kErrorInvalidUserBuffer = 1784;
constexpr DWord kErrorGenFailure = 31;
constexpr DWord kErrorNoDriverSelected = 0xE0000203u;
constexpr DWord kErrorInvalidClass = 0xE0000206u;
constexpr DWord kErrorInvalidRegProperty = 0xE0000209u;
constexpr DWord kErrorNoSuchDevinst = 0xE000020Bu;
constexpr DWord kErrorNoClassInstallParams = 0xE0000215u;
constexpr DWord kErrorNoSuchDeviceInterface = 0xE0000225u;
constexpr DWord kErrorInWow64 = 0xE0000235u;
constexpr DWord kErrorNotAnInstalledOemInf = 0xE000023Cu;
constexpr DWord kErrorInfInUseByDevices = 0xE000023Du;

// The record sizes of the 32-bit process.
constexpr DWord kDevInfoDataSize32 = 28;
constexpr DWord kDeviceInterfaceDataSize32 = 28;
constexpr DWord kDeviceInterfaceDetailSize32 = 5;
constexpr DWord kClassInstallHeaderSize = 8;
constexpr DWord kPropChangeParamsSize = 20;
constexpr DWord kHiddAttributesSize = 12;

// SP_DEVINFO_DATA. `reserved` identifies the element within its set.
struct DevInfoData {
    DWord cbSize = 0;
    Guid classGuid;
    DWord devInst = 0;
    std::uintptr_t reserved = 0;
};

// SP_DEVICE_INTERFACE_DATA.
struct DeviceInterfaceData {
    DWord cbSize = 0;
    Guid interfaceClassGuid;
    DWord flags = 0;
    std::uintptr_t reserved = 0;
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_A in a buffer of the size passed with it:
// the fixed part's size field and the path that follows it.
struct DeviceInterfaceDetail {
    DWord cbSize = 0;
    std::string devicePath;
};

// SP_PROPCHANGE_PARAMS with its SP_CLASSINSTALL_HEADER.
struct PropChangeParams {
    DWord headerSize = 0;  // ClassInstallHeader.cbSize
    DWord installFunction = 0;
    DWord stateChange = 0;
    DWord scope = 0;
    DWord hwProfile = 0;
};

// HIDD_ATTRIBUTES.
struct HiddAttributes {
    DWord size = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

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

    // --- Device information sets, properties and the class installer ---------
    // Handles of device information sets are kInvalidHandle on failure. An
    // empty enumerator stands for NULL; a null class GUID for NULL.
    virtual Handle SetupDiGetClassDevsA(const Guid* classGuid, const std::string& enumerator, Hwnd parent,
                                        DWord flags) = 0;
    virtual Handle SetupDiCreateDeviceInfoList(const Guid* classGuid, Hwnd parent) = 0;
    virtual Bool SetupDiDestroyDeviceInfoList(Handle set) = 0;
    // ERROR_NO_MORE_ITEMS past the last element.
    virtual Bool SetupDiEnumDeviceInfo(Handle set, DWord index, DevInfoData* device) = 0;
    // Reads a property into `buffer` (up to `bufferSize` bytes; null with size
    // 0 asks for the size). `requiredSize` may be null.
    virtual Bool SetupDiGetDeviceRegistryPropertyA(Handle set, const DevInfoData& device, DWord property,
                                                   DWord* regDataType, std::uint8_t* buffer, DWord bufferSize,
                                                   DWord* requiredSize) = 0;
    virtual Bool SetupDiSetDeviceRegistryPropertyA(Handle set, const DevInfoData& device, DWord property,
                                                   const std::uint8_t* buffer, DWord bufferSize) = 0;
    virtual Bool SetupDiRemoveDevice(Handle set, const DevInfoData& device) = 0;
    // `device` null: the interfaces of every element of the set.
    virtual Bool SetupDiEnumDeviceInterfaces(Handle set, const DevInfoData* device,
                                             const Guid& interfaceClassGuid, DWord index,
                                             DeviceInterfaceData* data) = 0;
    // `detail` null with `detailSize` 0 asks for the size (ERROR_INSUFFICIENT_BUFFER
    // and `requiredSize`). `device`, when not null, receives the interface's device.
    virtual Bool SetupDiGetDeviceInterfaceDetailA(Handle set, const DeviceInterfaceData& data,
                                                  DeviceInterfaceDetail* detail, DWord detailSize,
                                                  DWord* requiredSize, DevInfoData* device) = 0;
    virtual Bool SetupDiSetClassInstallParamsA(Handle set, const DevInfoData* device,
                                               const PropChangeParams* params, DWord paramsSize) = 0;
    virtual Bool SetupDiCallClassInstaller(DWord installFunction, Handle set, const DevInfoData* device) = 0;
    // The class of an INF by its [Version] section; `className` receives at
    // most `classNameSize` - 1 characters.
    virtual Bool SetupDiGetINFClassA(const std::string& infName, Guid* classGuid, std::string* className,
                                     DWord classNameSize, DWord* requiredSize) = 0;

    // --- HID library and devices opened by their interface path -------------
    virtual void HidD_GetHidGuid(Guid* hidGuid) = 0;
    // BOOLEAN result; the program sets attributes->size.
    virtual Bool HidD_GetAttributes(Handle device, HiddAttributes* attributes) = 0;
    // A device is opened by its interface path with FileApi::CreateFileA.

    // --- Calls through entry points looked up at run time -------------------
    // "UpdateDriverForPlugAndPlayDevicesA" of newdev.dll.
    virtual Bool CallUpdateDriverForPlugAndPlayDevicesA(ProcAddress function, Hwnd parent,
                                                        const std::string& hardwareId,
                                                        const std::string& fullInfPath, DWord installFlags,
                                                        Bool* rebootRequired) = 0;
    // "SetupUninstallOEMInfA" of setupapi.dll, with a null reserved argument.
    virtual Bool CallSetupUninstallOEMInfA(ProcAddress function, const std::string& infFileName,
                                           DWord flags) = 0;
};

}  // namespace plat
