// The simulated PC's devices: a tree of device nodes that the Setup API, the
// HID library and newdev's driver update see, consistent with the registry.
//
// Behaviour worth knowing when writing tests:
// - Each node has its Enum key, SYSTEM\CurrentControlSet\Enum\<instance ID>,
//   written when the node is added (HardwareID, CompatibleIDs, Class,
//   ClassGUID, DeviceDesc, ConfigFlags and a "Device Parameters" sub-key).
//   What Windows keeps only there is read from there: DeviceDesc,
//   FriendlyName, LowerFilters and UpperFilters, so that values the program
//   writes into the Enum key and those it sets through the Setup API agree.
//   Removing a device deletes its Enum key. Deleting the Enum key of a device
//   that is not connected removes the device; a connected device whose key
//   was deleted is enumerated afresh (a new key with what the device reports,
//   without the settings kept there before).
// - A node is present when it is connected and its parent is present and
//   enabled; a disabled node stays present, but its interfaces are inactive
//   and its children are gone until it is enabled again.
// - Interface paths follow Windows' form in lower case:
//   \\?\usb#vid_0d7a&pid_0306#5&1a2b3c4d&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}
//   unless a node gives its own path.
// - The program is a 32-bit process: on 64-bit Windows the class installer
//   and the driver update refuse it with ERROR_IN_WOW64, as documented. A
//   user without administrator rights gets ERROR_ACCESS_DENIED from every
//   call that changes a device.
// - Driver packages live in the INF store of the Windows "inf" folder as
//   oemN.inf with its oemN.pnf; a device records the INF its driver came
//   from by file name.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/devices.h"
#include "platform/sim/registry.h"

namespace sim {

class SimPc;

struct SimInterface {
    plat::Guid classGuid;
    std::string path;  // empty: the path Windows forms from the instance ID
};

struct SimDevice {
    std::string instanceId;  // e.g. USB\VID_0D7A&PID_0306\5&1A2B3C4D&0&1
    std::string parent;      // instance ID of the parent node; empty for a root node
    std::vector<std::string> hardwareIds;
    std::vector<std::string> compatibleIds;
    std::string className;  // setup class name, e.g. "HIDClass"
    plat::Guid classGuid;
    std::string description;                  // what the enumerator reports as DeviceDesc
    bool connected = true;                    // the hardware is there (a root-enumerated node always is)
    bool enabled = true;                      // not disabled through the class installer
    bool canOpen = true;                      // its interfaces can be opened (CreateFile)
    std::optional<plat::HiddAttributes> hid;  // what HidD_GetAttributes reports
    std::vector<SimInterface> interfaces;
    std::string driverInf;         // file name of the INF its driver came from; empty: none
    bool restartOnChange = false;  // a state change or driver update needs a restart
    bool deviceParameters = true;  // its Enum key has a "Device Parameters" sub-key
    int connectAfterBoxes = 0;     // connected once this many more message boxes were answered

    // Kept by the machine.
    plat::DWord devInst = 0;
    std::string parentKey;  // the parent's instance ID in upper case
    bool removed = false;
    SimRegistry::KeyRef enumKey;
};

struct DeviceOpen {
    std::string path;
    plat::DWord access;
    plat::DWord share;
    plat::DWord disposition;
    bool opened;
};

class SimDevices : public plat::DeviceApi {
public:
    explicit SimDevices(SimPc& pc);
    ~SimDevices() override;

    // Driver package store (files on the target PC), in inf_store.cpp.
    plat::Bool SetupCopyOEMInfA(const std::string& sourceInf, const std::string& mediaLocation,
                                plat::DWord mediaType, plat::DWord copyStyle, std::string* destination,
                                plat::DWord destinationSize, plat::DWord* requiredSize,
                                std::string* destinationComponent) override;

    plat::Handle SetupDiGetClassDevsA(const plat::Guid* classGuid, const std::string& enumerator,
                                      plat::Hwnd parent, plat::DWord flags) override;
    plat::Handle SetupDiCreateDeviceInfoList(const plat::Guid* classGuid, plat::Hwnd parent) override;
    plat::Bool SetupDiDestroyDeviceInfoList(plat::Handle set) override;
    plat::Bool SetupDiEnumDeviceInfo(plat::Handle set, plat::DWord index, plat::DevInfoData* device) override;
    plat::Bool SetupDiGetDeviceRegistryPropertyA(plat::Handle set, const plat::DevInfoData& device,
                                                 plat::DWord property, plat::DWord* regDataType,
                                                 std::uint8_t* buffer, plat::DWord bufferSize,
                                                 plat::DWord* requiredSize) override;
    plat::Bool SetupDiSetDeviceRegistryPropertyA(plat::Handle set, const plat::DevInfoData& device,
                                                 plat::DWord property, const std::uint8_t* buffer,
                                                 plat::DWord bufferSize) override;
    plat::Bool SetupDiRemoveDevice(plat::Handle set, const plat::DevInfoData& device) override;
    plat::Bool SetupDiEnumDeviceInterfaces(plat::Handle set, const plat::DevInfoData* device,
                                           const plat::Guid& interfaceClassGuid, plat::DWord index,
                                           plat::DeviceInterfaceData* data) override;
    plat::Bool SetupDiGetDeviceInterfaceDetailA(plat::Handle set, const plat::DeviceInterfaceData& data,
                                                plat::DeviceInterfaceDetail* detail, plat::DWord detailSize,
                                                plat::DWord* requiredSize,
                                                plat::DevInfoData* device) override;
    plat::Bool SetupDiSetClassInstallParamsA(plat::Handle set, const plat::DevInfoData* device,
                                             const plat::PropChangeParams* params,
                                             plat::DWord paramsSize) override;
    plat::Bool SetupDiCallClassInstaller(plat::DWord installFunction, plat::Handle set,
                                         const plat::DevInfoData* device) override;
    plat::Bool SetupDiGetINFClassA(const std::string& infName, plat::Guid* classGuid, std::string* className,
                                   plat::DWord classNameSize, plat::DWord* requiredSize) override;
    void HidD_GetHidGuid(plat::Guid* hidGuid) override;
    plat::Bool HidD_GetAttributes(plat::Handle device, plat::HiddAttributes* attributes) override;
    // CreateFileA on a device interface path (the files facility hands
    // these over); the failure injection has been asked already.
    plat::Handle OpenDevice(const std::string& path, plat::DWord desiredAccess, plat::DWord shareMode,
                            plat::DWord creationDisposition);
    plat::Bool CallUpdateDriverForPlugAndPlayDevicesA(plat::ProcAddress function, plat::Hwnd parent,
                                                      const std::string& hardwareId,
                                                      const std::string& fullInfPath,
                                                      plat::DWord installFlags,
                                                      plat::Bool* rebootRequired) override;
    plat::Bool CallSetupUninstallOEMInfA(plat::ProcAddress function, const std::string& infFileName,
                                         plat::DWord flags) override;

    // --- Building a machine -------------------------------------------------
    // A node appears: its Enum key is written afresh. Throws
    // std::invalid_argument for an empty or duplicate instance ID.
    SimDevice& Add(SimDevice device);
    // A USB touch controller as Windows enumerates it: the USB device
    // (USB\<vidPid>\<serial>, class HIDClass, a USB device interface) and its
    // HID collection (HID\<vidPid>\..., class Mouse, a HID interface, the IDs
    // of `vidPid` as HID attributes, version 0x0100). `vidPid` is of the form
    // VID_0D7A&PID_0306. Returns the USB node.
    SimDevice& AddUsbController(const std::string& vidPid, const std::string& serial = "5&1A2B3C4D&0&1",
                                bool connected = true);
    // `count` devices of other makers (each a USB device with a HID child).
    void AddUnrelatedDevices(int count);

    // --- Inspection and changes without the Setup API ------------------------
    SimDevice* Find(const std::string& instanceId);
    std::vector<SimDevice*> All();                                  // in the order added
    std::vector<SimDevice*> WithHardwareId(const std::string& id);  // an exact ID, any case
    bool IsPresent(const SimDevice& device);
    std::string InterfacePath(const SimDevice& device, const SimInterface& anInterface) const;
    // Registry-kept properties of a node (empty when missing).
    std::string FriendlyName(const SimDevice& device) const;
    std::string RegistryDescription(const SimDevice& device) const;
    std::vector<std::string> LowerFilters(const SimDevice& device) const;
    // Removes a node with its children and their Enum keys.
    void Remove(const std::string& instanceId);
    // Plug and Play re-enumerates: connected hardware whose node was removed
    // comes back (without its driver). Returns the number of nodes that came back.
    int Rescan();

    // --- Drivers ------------------------------------------------------------
    // The file name of the store copy of the INF at `infPath` (copied as
    // oemN.inf with oemN.pnf unless an identical copy is there); empty when
    // the file cannot be read. An INF already in the INF folder is used there.
    std::string CopyToInfStore(const std::string& infPath);
    // The hardware and compatible IDs the INF's models name (upper case).
    std::set<std::string> InfModelIds(const std::string& infPath);
    // [Version] Class of an INF; empty when missing.
    std::string InfClass(const std::string& infPath);
    // Installs the driver of the INF (by store name) on the node; runs the
    // driver hooks. True when the node asks for a restart.
    bool InstallDriver(SimDevice& device, const std::string& storeName, const std::string& infText);
    // Driver updates as newdev makes them, for the machine's own programs
    // (no WOW64 or rights check, no failure injection): 0 or the error.
    plat::DWord UpdateDrivers(const std::string& hardwareId, const std::string& fullInfPath,
                              plat::DWord installFlags, bool* restartNeeded);
    // Disables or enables a node as the class installer does.
    void SetEnabled(SimDevice& device, bool enabled);
    // Nodes one of whose hardware or compatible IDs is `id` (letter case aside).
    std::vector<SimDevice*> MatchingAnyId(const std::string& id, bool presentOnly);
    // Called after a driver is installed on a node, with the INF's text: a
    // driver's own effect on the tree (for example the HID collection that a
    // virtual device's driver creates).
    std::vector<std::function<void(SimPc&, SimDevice&, const std::string& infText)>> driverHooks;

    // Calls made, for assertions.
    std::vector<DeviceOpen> opens;
    size_t OpenSets() const;
    size_t OpenDeviceHandles() const { return handles_.size(); }
    // Closes a device handle (ProcessApi::CloseHandle); false when it is none.
    bool CloseDeviceHandle(plat::Handle handle);
    // A message box was answered: devices waiting for it get connected.
    void BoxAnswered();

    // devices.ini in the machine folder; the Enum keys are in registry.reg.
    void Save(const std::string& file) const;
    void Load(const std::string& file);

    // The machine's own state of the tree.
    struct Impl;

private:
    SimDevice& Insert(SimDevice device, SimRegistry::KeyRef storedKey);

    SimPc& pc_;
    std::unique_ptr<Impl> impl_;
    std::map<plat::Handle, std::pair<std::shared_ptr<SimDevice>, std::string>> handles_;
};

// "{A5DCBF10-6530-11D2-901F-00C04FB951ED}"
std::string GuidText(const plat::Guid& guid);
std::optional<plat::Guid> ParseGuid(const std::string& text);

}  // namespace sim
