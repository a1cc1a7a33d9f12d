#include <windows.h>
// The Setup API and HID headers need windows.h first; MinGW's HID header
// declares its functions without C linkage.
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/win32_os.h"

namespace plat::win32 {

namespace {

// The program sets the 32-bit record sizes; a build for another architecture
// passes its own size for exactly those values.
DWORD NativeSize(DWord programSize, DWord size32, std::size_t native) {
    return programSize == size32 ? static_cast<DWORD>(native) : programSize;
}

GUID ToGuid(const Guid& from) {
    GUID to{};
    to.Data1 = from.data1;
    to.Data2 = from.data2;
    to.Data3 = from.data3;
    std::copy(from.data4.begin(), from.data4.end(), to.Data4);
    return to;
}

Guid FromGuid(const GUID& from) {
    Guid to;
    to.data1 = from.Data1;
    to.data2 = from.Data2;
    to.data3 = from.Data3;
    std::copy(std::begin(from.Data4), std::end(from.Data4), to.data4.begin());
    return to;
}

HDEVINFO ToSet(Handle set) {
    return reinterpret_cast<HDEVINFO>(set);
}

SP_DEVINFO_DATA ToNative(const DevInfoData& from) {
    SP_DEVINFO_DATA to{};
    to.cbSize = NativeSize(from.cbSize, kDevInfoDataSize32, sizeof(SP_DEVINFO_DATA));
    to.ClassGuid = ToGuid(from.classGuid);
    to.DevInst = from.devInst;
    to.Reserved = static_cast<ULONG_PTR>(from.reserved);
    return to;
}

void FromNative(const SP_DEVINFO_DATA& from, DevInfoData* to) {
    to->classGuid = FromGuid(from.ClassGuid);
    to->devInst = from.DevInst;
    to->reserved = static_cast<std::uintptr_t>(from.Reserved);
}

SP_DEVICE_INTERFACE_DATA ToNative(const DeviceInterfaceData& from) {
    SP_DEVICE_INTERFACE_DATA to{};
    to.cbSize = NativeSize(from.cbSize, kDeviceInterfaceDataSize32, sizeof(SP_DEVICE_INTERFACE_DATA));
    to.InterfaceClassGuid = ToGuid(from.interfaceClassGuid);
    to.Flags = from.flags;
    to.Reserved = static_cast<ULONG_PTR>(from.reserved);
    return to;
}

}  // namespace

Handle Win32Devices::SetupDiGetClassDevsA(const Guid* classGuid, const std::string& enumerator, Hwnd parent,
                                          DWord flags) {
    GUID guid = classGuid ? ToGuid(*classGuid) : GUID{};
    HDEVINFO set = error_.Track(::SetupDiGetClassDevsA(classGuid ? &guid : nullptr,
                                                       enumerator.empty() ? nullptr : enumerator.c_str(),
                                                       ToHwnd(parent), flags));
    return reinterpret_cast<Handle>(set);
}

Handle Win32Devices::SetupDiCreateDeviceInfoList(const Guid* classGuid, Hwnd parent) {
    GUID guid = classGuid ? ToGuid(*classGuid) : GUID{};
    return reinterpret_cast<Handle>(
        error_.Track(::SetupDiCreateDeviceInfoList(classGuid ? &guid : nullptr, ToHwnd(parent))));
}

Bool Win32Devices::SetupDiDestroyDeviceInfoList(Handle set) {
    return error_.Track(::SetupDiDestroyDeviceInfoList(ToSet(set)));
}

Bool Win32Devices::SetupDiEnumDeviceInfo(Handle set, DWord index, DevInfoData* device) {
    SP_DEVINFO_DATA native = ToNative(*device);
    BOOL ok = error_.Track(::SetupDiEnumDeviceInfo(ToSet(set), index, &native));
    if (ok) FromNative(native, device);
    return ok;
}

Bool Win32Devices::SetupDiGetDeviceRegistryPropertyA(Handle set, const DevInfoData& device, DWord property,
                                                     DWord* regDataType, std::uint8_t* buffer,
                                                     DWord bufferSize, DWord* requiredSize) {
    SP_DEVINFO_DATA native = ToNative(device);
    DWORD type = 0, required = 0;
    BOOL ok = error_.Track(::SetupDiGetDeviceRegistryPropertyA(ToSet(set), &native, property, &type, buffer,
                                                               bufferSize, &required));
    if (regDataType != nullptr) *regDataType = type;
    if (requiredSize != nullptr) *requiredSize = required;
    return ok;
}

Bool Win32Devices::SetupDiSetDeviceRegistryPropertyA(Handle set, const DevInfoData& device, DWord property,
                                                     const std::uint8_t* buffer, DWord bufferSize) {
    SP_DEVINFO_DATA native = ToNative(device);
    return error_.Track(
        ::SetupDiSetDeviceRegistryPropertyA(ToSet(set), &native, property, buffer, bufferSize));
}

Bool Win32Devices::SetupDiRemoveDevice(Handle set, const DevInfoData& device) {
    SP_DEVINFO_DATA native = ToNative(device);
    return error_.Track(::SetupDiRemoveDevice(ToSet(set), &native));
}

Bool Win32Devices::SetupDiEnumDeviceInterfaces(Handle set, const DevInfoData* device,
                                               const Guid& interfaceClassGuid, DWord index,
                                               DeviceInterfaceData* data) {
    SP_DEVINFO_DATA nativeDevice = device ? ToNative(*device) : SP_DEVINFO_DATA{};
    SP_DEVICE_INTERFACE_DATA nativeData = ToNative(*data);
    GUID guid = ToGuid(interfaceClassGuid);
    BOOL ok = error_.Track(::SetupDiEnumDeviceInterfaces(ToSet(set), device ? &nativeDevice : nullptr, &guid,
                                                         index, &nativeData));
    if (ok) {
        data->interfaceClassGuid = FromGuid(nativeData.InterfaceClassGuid);
        data->flags = nativeData.Flags;
        data->reserved = static_cast<std::uintptr_t>(nativeData.Reserved);
    }
    return ok;
}

Bool Win32Devices::SetupDiGetDeviceInterfaceDetailA(Handle set, const DeviceInterfaceData& data,
                                                    DeviceInterfaceDetail* detail, DWord detailSize,
                                                    DWord* requiredSize, DevInfoData* device) {
    SP_DEVICE_INTERFACE_DATA nativeData = ToNative(data);
    SP_DEVINFO_DATA nativeDevice = device ? ToNative(*device) : SP_DEVINFO_DATA{};
    // The record in a buffer of the size the program passes, aligned for its size field.
    std::vector<DWORD> buffer(detail ? (std::max<std::size_t>(detailSize, sizeof(DWORD)) + 3) / 4 : 0);
    auto* record = detail ? reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data()) : nullptr;
    if (record)
        record->cbSize = NativeSize(detail->cbSize, kDeviceInterfaceDetailSize32,
                                    sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
    DWORD required = 0;
    BOOL ok = error_.Track(::SetupDiGetDeviceInterfaceDetailA(ToSet(set), &nativeData, record, detailSize,
                                                              &required, device ? &nativeDevice : nullptr));
    if (requiredSize != nullptr) *requiredSize = required;
    if (ok && record) {
        std::size_t room = detailSize > offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)
                               ? detailSize - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)
                               : 0;
        detail->devicePath = std::string(record->DevicePath, ::strnlen(record->DevicePath, room));
    }
    if (ok && device) FromNative(nativeDevice, device);
    return ok;
}

Bool Win32Devices::SetupDiSetClassInstallParamsA(Handle set, const DevInfoData* device,
                                                 const PropChangeParams* params, DWord paramsSize) {
    SP_DEVINFO_DATA nativeDevice = device ? ToNative(*device) : SP_DEVINFO_DATA{};
    SP_PROPCHANGE_PARAMS change{};
    if (params) {
        change.ClassInstallHeader.cbSize = params->headerSize;
        change.ClassInstallHeader.InstallFunction = params->installFunction;
        change.StateChange = params->stateChange;
        change.Scope = params->scope;
        change.HwProfile = params->hwProfile;
    }
    return error_.Track(::SetupDiSetClassInstallParamsA(ToSet(set), device ? &nativeDevice : nullptr,
                                                        params ? &change.ClassInstallHeader : nullptr,
                                                        paramsSize));
}

Bool Win32Devices::SetupDiCallClassInstaller(DWord installFunction, Handle set, const DevInfoData* device) {
    SP_DEVINFO_DATA nativeDevice = device ? ToNative(*device) : SP_DEVINFO_DATA{};
    return error_.Track(
        ::SetupDiCallClassInstaller(installFunction, ToSet(set), device ? &nativeDevice : nullptr));
}

Bool Win32Devices::SetupDiGetINFClassA(const std::string& infName, Guid* classGuid, std::string* className,
                                       DWord classNameSize, DWord* requiredSize) {
    GUID guid{};
    std::vector<char> name(static_cast<std::size_t>(classNameSize) + 1, '\0');
    DWORD required = 0;
    BOOL ok =
        error_.Track(::SetupDiGetINFClassA(infName.c_str(), &guid, name.data(), classNameSize, &required));
    if (requiredSize != nullptr) *requiredSize = required;
    if (ok) {
        if (classGuid != nullptr) *classGuid = FromGuid(guid);
        if (className != nullptr) *className = std::string(name.data(), ::strnlen(name.data(), name.size()));
    }
    return ok;
}

void Win32Devices::HidD_GetHidGuid(Guid* hidGuid) {
    GUID guid{};
    ::HidD_GetHidGuid(&guid);
    error_.Capture();
    *hidGuid = FromGuid(guid);
}

Bool Win32Devices::HidD_GetAttributes(Handle device, HiddAttributes* attributes) {
    HIDD_ATTRIBUTES native{};
    native.Size = attributes->size;
    BOOLEAN ok = error_.Track(::HidD_GetAttributes(ToHandle(device), &native));
    if (ok) {
        attributes->size = native.Size;
        attributes->vendorId = native.VendorID;
        attributes->productId = native.ProductID;
        attributes->versionNumber = native.VersionNumber;
    }
    return ok ? 1 : 0;
}

Bool Win32Devices::CallUpdateDriverForPlugAndPlayDevicesA(ProcAddress function, Hwnd parent,
                                                          const std::string& hardwareId,
                                                          const std::string& fullInfPath, DWord installFlags,
                                                          Bool* rebootRequired) {
    using Entry = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);
    BOOL reboot = FALSE;
    BOOL ok = error_.Track(reinterpret_cast<Entry>(function)(ToHwnd(parent), hardwareId.c_str(),
                                                             fullInfPath.c_str(), installFlags,
                                                             rebootRequired ? &reboot : nullptr));
    // The answer means something only when the update succeeded.
    if (ok && rebootRequired != nullptr) *rebootRequired = reboot;
    return ok;
}

Bool Win32Devices::CallSetupUninstallOEMInfA(ProcAddress function, const std::string& infFileName,
                                             DWord flags) {
    using Entry = BOOL(WINAPI*)(PCSTR, DWORD, PVOID);
    return error_.Track(reinterpret_cast<Entry>(function)(infFileName.c_str(), flags, nullptr));
}

}  // namespace plat::win32
