// The simulated PC's device tree as the Setup API, the HID library and newdev
// see it, and its agreement with the Enum keys of the registry.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "case_name.h"
#include "platform/sim/machine.h"

namespace {

using plat::DWord;

constexpr const char* kUsb = "USB\\VID_0D7A&PID_0306\\5&1A2B3C4D&0&1";
constexpr const char* kUsbKey =
    "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0D7A&PID_0306\\5&1A2B3C4D&0&1";
constexpr const char* kUsbPath =
    "\\\\?\\usb#vid_0d7a&pid_0306#5&1a2b3c4d&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

class SimDevicesTest : public ::testing::Test {
protected:
    SimDevicesTest() {
        pc.facts.is64Bit = false;
        pc.files.AddStandardFolders();
    }

    // Instance IDs of a set's elements, in enumeration order.
    std::vector<std::string> Elements(plat::Handle set) {
        std::vector<std::string> ids;
        plat::DevInfoData device;
        device.cbSize = plat::kDevInfoDataSize32;
        for (DWord i = 0; pc.devices.SetupDiEnumDeviceInfo(set, i, &device); ++i)
            ids.push_back(Instance(set, device));
        EXPECT_EQ(pc.GetLastError(), plat::kErrorNoMoreItems);
        return ids;
    }
    // The instance behind an element, found by its device number.
    std::string Instance(plat::Handle, const plat::DevInfoData& device) {
        for (sim::SimDevice* node : pc.devices.All())
            if (node->devInst == device.devInst) return node->instanceId;
        return "(removed)";
    }
    std::vector<std::string> Paths(plat::Handle set, const plat::Guid& guid) {
        std::vector<std::string> paths;
        plat::DeviceInterfaceData data;
        data.cbSize = plat::kDeviceInterfaceDataSize32;
        for (DWord i = 0; pc.devices.SetupDiEnumDeviceInterfaces(set, nullptr, guid, i, &data); ++i) {
            plat::DeviceInterfaceDetail detail;
            detail.cbSize = plat::kDeviceInterfaceDetailSize32;
            DWord needed = 0;
            EXPECT_TRUE(
                pc.devices.SetupDiGetDeviceInterfaceDetailA(set, data, &detail, 4096, &needed, nullptr));
            paths.push_back(detail.devicePath);
        }
        return paths;
    }
    plat::DevInfoData First(plat::Handle set) {
        plat::DevInfoData device;
        device.cbSize = plat::kDevInfoDataSize32;
        EXPECT_TRUE(pc.devices.SetupDiEnumDeviceInfo(set, 0, &device));
        return device;
    }
    plat::Handle AllDevices() { return pc.devices.SetupDiGetClassDevsA(nullptr, "", 0, 0x0C); }

    sim::SimPc pc;
};

TEST_F(SimDevicesTest, ControllerHasEnumKeysAndLowerCaseInterfacePaths) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    EXPECT_EQ(pc.registry.MultiString(kUsbKey, "HardwareID"),
              (std::vector<std::string>{"USB\\VID_0D7A&PID_0306&REV_0100", "USB\\VID_0D7A&PID_0306"}));
    EXPECT_EQ(pc.registry.String(kUsbKey, "Class"), "HIDClass");
    EXPECT_TRUE(pc.registry.KeyExists(std::string(kUsbKey) + "\\Device Parameters"));
    plat::Handle set = pc.devices.SetupDiGetClassDevsA(&plat::kGuidDevInterfaceUsbDevice, "", 0, 0x12);
    EXPECT_EQ(Paths(set, plat::kGuidDevInterfaceUsbDevice), std::vector<std::string>{kUsbPath});
    plat::Guid hid;
    pc.devices.HidD_GetHidGuid(&hid);
    plat::Handle hidSet = pc.devices.SetupDiGetClassDevsA(&hid, "", 0, 0x12);
    auto hidPaths = Paths(hidSet, hid);
    ASSERT_EQ(hidPaths.size(), 1u);
    EXPECT_EQ(hidPaths[0].rfind("\\\\?\\hid#vid_0d7a&pid_0306#7&", 0), 0u) << hidPaths[0];
    pc.devices.SetupDiDestroyDeviceInfoList(set);
    pc.devices.SetupDiDestroyDeviceInfoList(hidSet);
    EXPECT_EQ(pc.devices.OpenSets(), 0u);
}

TEST_F(SimDevicesTest, PresentOnlySetsLeaveOutUnpluggedAndDisabledDevices) {
    pc.devices.AddUsbController("VID_0D7A&PID_0300", "5&1&0&1", true);
    pc.devices.AddUsbController("VID_0D7A&PID_0301", "5&2&0&2", false);
    pc.devices.Find("USB\\VID_0D7A&PID_0300\\5&1&0&1")->enabled = false;
    // All classes, present and not: both controllers and their HID children.
    EXPECT_EQ(Elements(AllDevices()).size(), 4u);
    // Present only: the disabled controller is present, its HID child is gone.
    EXPECT_EQ(Elements(pc.devices.SetupDiGetClassDevsA(nullptr, "", 0,
                                                       plat::kDigcfAllClasses | plat::kDigcfPresent)),
              std::vector<std::string>{"USB\\VID_0D7A&PID_0300\\5&1&0&1"});
    // Active interfaces only with DIGCF_PRESENT; every interface without it.
    EXPECT_TRUE(Paths(pc.devices.SetupDiGetClassDevsA(&plat::kGuidDevInterfaceUsbDevice, "", 0, 0x12),
                      plat::kGuidDevInterfaceUsbDevice)
                    .empty());
    EXPECT_EQ(Paths(pc.devices.SetupDiGetClassDevsA(&plat::kGuidDevInterfaceUsbDevice, "", 0, 0x18),
                    plat::kGuidDevInterfaceUsbDevice)
                  .size(),
              2u);
    // A class is required unless all classes are asked for.
    EXPECT_EQ(pc.devices.SetupDiGetClassDevsA(nullptr, "", 0, plat::kDigcfPresent), plat::kInvalidHandle);
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidParameter);
}

TEST_F(SimDevicesTest, PropertyReadsReportSizesTypesAndMissingProperties) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    plat::Handle set = AllDevices();
    plat::DevInfoData device = First(set);
    DWord type = 0, needed = 0;
    std::vector<std::uint8_t> small(8);
    EXPECT_FALSE(pc.devices.SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpHardwareId, &type,
                                                              small.data(), 8, &needed));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInsufficientBuffer);
    std::string ids = "USB\\VID_0D7A&PID_0306&REV_0100";
    ids += '\0';
    ids += "USB\\VID_0D7A&PID_0306";
    ids += '\0';
    ids += '\0';
    EXPECT_EQ(needed, ids.size());
    std::vector<std::uint8_t> buffer(4096, 0);
    ASSERT_TRUE(pc.devices.SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpHardwareId, &type,
                                                             buffer.data(), 4090, &needed));
    EXPECT_EQ(type, plat::kRegMultiSz);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + needed), ids);
    EXPECT_FALSE(pc.devices.SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpFriendlyName, &type,
                                                              buffer.data(), 255, &needed));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidData);
    plat::DevInfoData wrong = device;
    wrong.cbSize = 32;
    EXPECT_FALSE(pc.devices.SetupDiGetDeviceRegistryPropertyA(set, wrong, plat::kSpdrpClass, &type,
                                                              buffer.data(), 255, &needed));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidUserBuffer);
}

TEST_F(SimDevicesTest, InterfaceDetailNeedsTheQueriedSizeAndTheRecordSizeFive) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    plat::Handle set = pc.devices.SetupDiGetClassDevsA(&plat::kGuidDevInterfaceUsbDevice, "", 0, 0x12);
    plat::DeviceInterfaceData data;
    data.cbSize = plat::kDeviceInterfaceDataSize32;
    ASSERT_TRUE(
        pc.devices.SetupDiEnumDeviceInterfaces(set, nullptr, plat::kGuidDevInterfaceUsbDevice, 0, &data));
    EXPECT_EQ(data.flags, plat::kSpintActive);
    DWord needed = 0;
    EXPECT_FALSE(pc.devices.SetupDiGetDeviceInterfaceDetailA(set, data, nullptr, 0, &needed, nullptr));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInsufficientBuffer);
    EXPECT_EQ(needed, 4 + std::string(kUsbPath).size() + 1);
    plat::DeviceInterfaceDetail detail;
    detail.cbSize = 8;  // the 64-bit record size, wrong for a 32-bit process
    EXPECT_FALSE(pc.devices.SetupDiGetDeviceInterfaceDetailA(set, data, &detail, needed, nullptr, nullptr));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidUserBuffer);
    detail.cbSize = plat::kDeviceInterfaceDetailSize32;
    EXPECT_FALSE(
        pc.devices.SetupDiGetDeviceInterfaceDetailA(set, data, &detail, needed - 1, nullptr, nullptr));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInsufficientBuffer);
    plat::DevInfoData device;
    device.cbSize = plat::kDevInfoDataSize32;
    ASSERT_TRUE(pc.devices.SetupDiGetDeviceInterfaceDetailA(set, data, &detail, needed, nullptr, &device));
    EXPECT_EQ(detail.devicePath, kUsbPath);
    EXPECT_EQ(device.classGuid, plat::kGuidClassHid);
}

TEST_F(SimDevicesTest, RemovedDeviceLosesItsChildrenAndEnumKeysButStaysInTheSet) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    plat::Handle set = AllDevices();
    plat::DevInfoData usb = First(set);
    ASSERT_TRUE(pc.devices.SetupDiRemoveDevice(set, usb));
    EXPECT_FALSE(pc.registry.KeyExists(kUsbKey));
    EXPECT_TRUE(pc.devices.All().empty());
    plat::DevInfoData child;
    child.cbSize = plat::kDevInfoDataSize32;
    EXPECT_TRUE(pc.devices.SetupDiEnumDeviceInfo(set, 1, &child));
    std::vector<std::uint8_t> buffer(4096);
    EXPECT_FALSE(pc.devices.SetupDiGetDeviceRegistryPropertyA(set, child, plat::kSpdrpHardwareId, nullptr,
                                                              buffer.data(), 4090, nullptr));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorNoSuchDevinst);
    // Still plugged in: the next rescan finds it again, without its driver.
    EXPECT_EQ(pc.devices.Rescan(), 2);
    ASSERT_NE(pc.devices.Find(kUsb), nullptr);
    EXPECT_TRUE(pc.devices.Find(kUsb)->driverInf.empty());
}

TEST_F(SimDevicesTest, DeletedEnumKeyRemovesAnUnpluggedDeviceAndRenewsAConnectedOne) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    pc.devices.AddUsbController("VID_0D7A&PID_0300", "5&9&0&9", false);
    pc.registry.SetString(kUsbKey, "LowerFilters", "qzusbf");
    pc.registry.DeleteTree("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB");
    EXPECT_EQ(pc.devices.Find("USB\\VID_0D7A&PID_0300\\5&9&0&9"), nullptr);
    ASSERT_NE(pc.devices.Find(kUsb), nullptr);
    EXPECT_TRUE(pc.registry.KeyExists(kUsbKey));
    EXPECT_FALSE(pc.registry.Value(kUsbKey, "LowerFilters"));
}

TEST_F(SimDevicesTest, FiltersAndFriendlyNameLiveInTheEnumKey) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    // Written into the Enum key as a plain string, read back through the Setup API as it is.
    pc.registry.SetString(kUsbKey, "LowerFilters", "qzusbf");
    plat::Handle set = AllDevices();
    plat::DevInfoData device = First(set);
    std::vector<std::uint8_t> buffer(256);
    DWord type = 0, size = 0;
    ASSERT_TRUE(pc.devices.SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpLowerFilters, &type,
                                                             buffer.data(), 255, &size));
    EXPECT_EQ(type, plat::kRegSz);
    const std::uint8_t filters[] = {'q', 'z', 'u', 's', 'b', 'f', 0, 0};
    ASSERT_TRUE(
        pc.devices.SetupDiSetDeviceRegistryPropertyA(set, device, plat::kSpdrpLowerFilters, filters, 8));
    EXPECT_EQ(pc.registry.MultiString(kUsbKey, "LowerFilters"), std::vector<std::string>{"qzusbf"});
    const std::string name = "Touch";
    ASSERT_TRUE(pc.devices.SetupDiSetDeviceRegistryPropertyA(
        set, device, plat::kSpdrpFriendlyName, reinterpret_cast<const std::uint8_t*>(name.c_str()), 6));
    EXPECT_EQ(pc.devices.FriendlyName(*pc.devices.Find(kUsb)), "Touch");
    EXPECT_FALSE(pc.devices.SetupDiSetDeviceRegistryPropertyA(set, device, plat::kSpdrpClass, filters, 8));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidRegProperty);
}

TEST_F(SimDevicesTest, ClassInstallerDisablesAndEnablesAndRefusesA32BitProcessOn64BitWindows) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    plat::Handle set = AllDevices();
    plat::DevInfoData device = First(set);
    EXPECT_FALSE(pc.devices.SetupDiCallClassInstaller(plat::kDifPropertyChange, set, &device));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorNoClassInstallParams);
    plat::PropChangeParams change{plat::kClassInstallHeaderSize, plat::kDifPropertyChange, plat::kDicsDisable,
                                  plat::kDicsFlagGlobal, 0};
    EXPECT_FALSE(pc.devices.SetupDiSetClassInstallParamsA(set, &device, &change, 24));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInvalidParameter);
    ASSERT_TRUE(pc.devices.SetupDiSetClassInstallParamsA(set, &device, &change, plat::kPropChangeParamsSize));
    ASSERT_TRUE(pc.devices.SetupDiCallClassInstaller(plat::kDifPropertyChange, set, &device));
    EXPECT_FALSE(pc.devices.Find(kUsb)->enabled);
    EXPECT_EQ(pc.registry.Dword(kUsbKey, "ConfigFlags"), 1u);
    pc.facts.is64Bit = true;
    EXPECT_FALSE(pc.devices.SetupDiCallClassInstaller(plat::kDifPropertyChange, set, &device));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInWow64);
}

TEST_F(SimDevicesTest, DevicesOpenByPathAndReportTheirHidAttributes) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    sim::SimDevice* hid = pc.devices.All()[1];
    std::string path = pc.devices.InterfacePath(*hid, hid->interfaces[0]);
    plat::Handle device = pc.files.CreateFileA(path, 0, 3, plat::kOpenExisting, 0);
    ASSERT_NE(device, plat::kInvalidHandle);
    plat::HiddAttributes attributes;
    attributes.size = plat::kHiddAttributesSize;
    ASSERT_TRUE(pc.devices.HidD_GetAttributes(device, &attributes));
    EXPECT_EQ(attributes.vendorId, 0x0D7A);
    EXPECT_EQ(attributes.productId, 0x0306);
    EXPECT_TRUE(pc.processes.CloseHandle(device));
    EXPECT_EQ(pc.devices.OpenDeviceHandles(), 0u);
    hid->canOpen = false;
    EXPECT_EQ(pc.files.CreateFileA(path, 0, 3, plat::kOpenExisting, 0), plat::kInvalidHandle);
    EXPECT_EQ(pc.GetLastError(), plat::kErrorAccessDenied);
    EXPECT_EQ(pc.files.CreateFileA(path + "x", 0, 3, plat::kOpenExisting, 0), plat::kInvalidHandle);
    EXPECT_EQ(pc.GetLastError(), plat::kErrorFileNotFound);
}

class SimDriverTest : public SimDevicesTest {
protected:
    static constexpr const char* kMouseInf =
        "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Mouse\r\n"
        "ClassGuid={4D36E96F-E325-11CE-BFC1-08002BE10318}\r\n"
        "[Manufacturer]\r\n%Std%=Std\r\n[Std]\r\n%Desc%=Mouse_Inst,HID_DEVICE_SYSTEM_MOUSE\r\n";
    SimDriverTest() {
        pc.files.AddFile("C:\\Windows\\inf\\msmouse.inf", kMouseInf);
        pc.files.AddFile("C:\\Drivers\\touch.inf", std::string(kMouseInf) + "; touch\r\n");
        entry = UpdateEntry();
    }
    plat::ProcAddress UpdateEntry() {
        plat::Handle newdev = pc.libraries.LoadLibraryA("newdev.dll");
        return pc.libraries.GetProcAddress(newdev, "UpdateDriverForPlugAndPlayDevicesA");
    }
    plat::ProcAddress UninstallEntry() {
        plat::Handle setupapi = pc.libraries.LoadLibraryA("setupapi.dll");
        return pc.libraries.GetProcAddress(setupapi, "SetupUninstallOEMInfA");
    }
    plat::ProcAddress entry = 0;
};

TEST_F(SimDriverTest, DriverUpdateInstallsABetterDriverAndCopiesItToTheStore) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    pc.devices.All()[1]->restartOnChange = true;
    plat::Bool reboot = 7;
    // The device already runs the Windows mouse driver: nothing better.
    EXPECT_FALSE(pc.devices.CallUpdateDriverForPlugAndPlayDevicesA(
        entry, 0, "HID\\VID_0D7A&PID_0306", "C:\\Windows\\inf\\msmouse.inf", 0, &reboot));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorNoMoreItems);
    EXPECT_EQ(reboot, 7);
    ASSERT_TRUE(pc.devices.CallUpdateDriverForPlugAndPlayDevicesA(entry, 0, "hid\\vid_0d7a&pid_0306",
                                                                  "C:\\Drivers\\touch.inf", 0, &reboot));
    EXPECT_EQ(reboot, 1);
    EXPECT_EQ(pc.devices.All()[1]->driverInf, "oem0.inf");
    EXPECT_TRUE(pc.files.Exists("C:\\Windows\\inf\\oem0.pnf"));
    EXPECT_FALSE(pc.devices.CallUpdateDriverForPlugAndPlayDevicesA(entry, 0, "HID\\VID_0D7A&PID_0300",
                                                                   "C:\\Drivers\\touch.inf", 0, &reboot));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorNoSuchDevinst);
    EXPECT_FALSE(pc.devices.CallUpdateDriverForPlugAndPlayDevicesA(entry, 0, "HID\\VID_0D7A&PID_0306",
                                                                   "C:\\Drivers\\missing.inf", 0, &reboot));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorFileNotFound);
    pc.facts.is64Bit = true;
    EXPECT_FALSE(pc.devices.CallUpdateDriverForPlugAndPlayDevicesA(entry, 0, "HID\\VID_0D7A&PID_0306",
                                                                   "C:\\Drivers\\touch.inf", 1, &reboot));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInWow64);
}

TEST_F(SimDriverTest, OemInfInUseIsKeptUnlessForced) {
    pc.files.AddFile("C:\\Windows\\inf\\oem7.inf", kMouseInf);
    pc.files.AddFile("C:\\Windows\\inf\\oem7.pnf", "PNF");
    sim::SimDevice& unplugged = pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1&0&1", false);
    unplugged.driverInf = "oem7.inf";
    plat::ProcAddress uninstall = UninstallEntry();
    EXPECT_FALSE(pc.devices.CallSetupUninstallOEMInfA(uninstall, "oem7.inf", 0));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInfInUseByDevices);
    EXPECT_TRUE(pc.files.Exists("C:\\Windows\\inf\\oem7.inf"));
    ASSERT_TRUE(pc.devices.CallSetupUninstallOEMInfA(uninstall, "OEM7.INF", plat::kSuoiForceDelete));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem7.inf"));
    EXPECT_FALSE(pc.files.Exists("C:\\Windows\\inf\\oem7.pnf"));
    EXPECT_FALSE(pc.devices.CallSetupUninstallOEMInfA(uninstall, "msmouse.inf", plat::kSuoiForceDelete));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorNotAnInstalledOemInf);
    EXPECT_FALSE(pc.devices.CallSetupUninstallOEMInfA(uninstall, "oem8.inf", plat::kSuoiForceDelete));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorFileNotFound);
}

TEST_F(SimDriverTest, InfClassComesFromTheVersionSection) {
    plat::Guid guid;
    std::string name;
    DWord needed = 0;
    EXPECT_FALSE(pc.devices.SetupDiGetINFClassA("C:\\Windows\\inf\\msmouse.inf", &guid, &name, 3, &needed));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInsufficientBuffer);
    EXPECT_EQ(needed, 6u);
    ASSERT_TRUE(pc.devices.SetupDiGetINFClassA("msmouse.inf", &guid, &name, 256, &needed));
    EXPECT_EQ(name, "Mouse");
    EXPECT_EQ(guid, plat::kGuidClassMouse);
    EXPECT_FALSE(pc.devices.SetupDiGetINFClassA("C:\\Windows\\inf\\none.inf", &guid, &name, 256, &needed));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorFileNotFound);
}

TEST_F(SimDevicesTest, FailureInjectionNamesTheDevice) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    pc.FailCallOn("SetupDiGetDeviceRegistryPropertyA", kUsb, plat::kErrorGenFailure);
    plat::Handle set = AllDevices();
    std::vector<std::uint8_t> buffer(4096);
    plat::DevInfoData usb = First(set), hid;
    hid.cbSize = plat::kDevInfoDataSize32;
    ASSERT_TRUE(pc.devices.SetupDiEnumDeviceInfo(set, 1, &hid));
    EXPECT_TRUE(pc.devices.SetupDiGetDeviceRegistryPropertyA(set, hid, plat::kSpdrpHardwareId, nullptr,
                                                             buffer.data(), 4090, nullptr));
    EXPECT_FALSE(pc.devices.SetupDiGetDeviceRegistryPropertyA(set, usb, plat::kSpdrpHardwareId, nullptr,
                                                              buffer.data(), 4090, nullptr));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorGenFailure);
}

TEST_F(SimDevicesTest, ControllerPluggedInWhileThePromptIsOpen) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306", "5&1A2B3C4D&0&1", false).connectAfterBoxes = 1;
    EXPECT_FALSE(pc.devices.IsPresent(*pc.devices.Find(kUsb)));
    pc.windows.Answer(plat::kIdOk);
    pc.windows.MessageBoxA(0, "Please plugin controller to USB port", "Warning", 1);
    EXPECT_TRUE(pc.devices.IsPresent(*pc.devices.Find(kUsb)));
}

TEST_F(SimDevicesTest, TreeSurvivesSavingAndLoadingWithTheRegistry) {
    pc.devices.AddUsbController("VID_0D7A&PID_0306");
    pc.devices.Find(kUsb)->driverInf = "oem3.inf";
    pc.registry.SetString(kUsbKey, "LowerFilters", "qzusbf");
    auto folder = std::filesystem::temp_directory_path() /
                  ("sim-devices-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    pc.Save(folder.string());
    sim::SimPc loaded;
    loaded.Load(folder.string());
    std::filesystem::remove_all(folder);
    ASSERT_EQ(loaded.devices.All().size(), 2u);
    sim::SimDevice* usb = loaded.devices.Find(kUsb);
    ASSERT_NE(usb, nullptr);
    EXPECT_EQ(usb->driverInf, "oem3.inf");
    EXPECT_EQ(loaded.devices.LowerFilters(*usb), std::vector<std::string>{"qzusbf"});
    EXPECT_EQ(loaded.devices.All()[1]->hid->productId, 0x0306);
    EXPECT_EQ(loaded.devices.All()[1]->parent, kUsb);
}

// Restart, desktop settings and the local time with the user's formats.
TEST_F(SimDevicesTest, RestartNeedsTheShutdownPrivilegeEnabled) {
    EXPECT_FALSE(pc.system.ExitWindowsEx(plat::kEwxReboot, 0));
    EXPECT_EQ(pc.GetLastError(), 1314u);
    plat::Handle token = 0;
    ASSERT_TRUE(pc.system.OpenProcessToken(pc.system.GetCurrentProcess(), 0x28, &token));
    plat::Luid luid;
    ASSERT_TRUE(pc.system.LookupPrivilegeValueA("", "SeShutdownPrivilege", &luid));
    ASSERT_TRUE(pc.system.AdjustTokenPrivileges(token, 0, {1, luid, plat::kSePrivilegeEnabled}, 16));
    EXPECT_TRUE(pc.processes.CloseHandle(token));
    EXPECT_TRUE(pc.system.ExitWindowsEx(plat::kEwxReboot, 0));
    EXPECT_EQ(pc.system.exitWindowsRequests, std::vector<plat::UInt>{plat::kEwxReboot});
    EXPECT_FALSE(pc.system.LookupPrivilegeValueA("", "SeNoSuchPrivilege", &luid));
    EXPECT_EQ(pc.GetLastError(), plat::kErrorNoSuchPrivilege);
}

TEST_F(SimDevicesTest, DoubleClickSettingsApplyAtOnceAndAreStoredWhenAsked) {
    EXPECT_TRUE(pc.system.SystemParametersInfoA(plat::kSpiSetDoubleClkWidth, 48, nullptr, 3));
    EXPECT_TRUE(pc.system.SystemParametersInfoA(plat::kSpiSetDoubleClkHeight, 40, nullptr, 0));
    EXPECT_EQ(pc.system.doubleClickWidth, 48u);
    EXPECT_EQ(pc.system.doubleClickHeight, 40u);
    EXPECT_EQ(pc.registry.String("HKCU\\Control Panel\\Mouse", "DoubleClickWidth"), "48");
    EXPECT_FALSE(pc.registry.Value("HKCU\\Control Panel\\Mouse", "DoubleClickHeight"));
    EXPECT_EQ(pc.system.settingBroadcasts, 1);
    EXPECT_TRUE(pc.system.SetDoubleClickTime(0));
    EXPECT_EQ(pc.system.doubleClickTime, 500u);
}

TEST_F(SimDevicesTest, LocalTimeFollowsTheClockInTheUsersFormats) {
    pc.clock.now = 15ull * 3600 * 1000;  // 2011-06-14 09:30:00 + 15 h
    plat::SystemTime now;
    pc.system.GetLocalTime(&now);
    EXPECT_EQ(now.day, 15);
    EXPECT_EQ(now.dayOfWeek, 3);
    std::string date, time;
    EXPECT_EQ(pc.system.GetDateFormatA(plat::kLocaleUserDefault, plat::kDateShortDate, now, "", &date, 80),
              10);
    EXPECT_EQ(pc.system.GetTimeFormatA(plat::kLocaleUserDefault, 0, now, "", &time, 80), 12);
    EXPECT_EQ(date + " " + time, "6/15/2011 12:30:00 AM");
    pc.facts.shortDateFormat = "dd.MM.yyyy";
    pc.facts.longTimeFormat = "HH:mm:ss";
    pc.system.GetDateFormatA(plat::kLocaleUserDefault, plat::kDateShortDate, now, "", &date, 80);
    pc.system.GetTimeFormatA(plat::kLocaleUserDefault, 0, now, "", &time, 80);
    EXPECT_EQ(date + " " + time, "15.06.2011 00:30:00");
    EXPECT_EQ(pc.system.GetDateFormatA(plat::kLocaleUserDefault, plat::kDateShortDate, now, "", &date, 5), 0);
    EXPECT_EQ(pc.GetLastError(), plat::kErrorInsufficientBuffer);
}

}  // namespace

namespace {

// Each seam method of the devices and of the restart, double-click and time
// calls: it reports the failure Windows gives once, then works again.
struct DeviceCallCase {
    const char* name;
    std::function<bool(sim::SimPc&)> fails;  // makes the call; true when it reported a failure
};

class EveryDeviceCallTest : public ::testing::TestWithParam<DeviceCallCase> {
protected:
    EveryDeviceCallTest() {
        pc.facts.is64Bit = false;
        pc.files.AddStandardFolders();
        pc.devices.AddUsbController("VID_0D7A&PID_0306");
        pc.files.AddFile("C:\\Windows\\inf\\msmouse.inf",
                         "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Mouse\r\n"
                         "[Manufacturer]\r\nS=S\r\n[S]\r\nD=I,HID_DEVICE_SYSTEM_MOUSE\r\n");
        pc.devices.All()[1]->driverInf = "oem1.inf";
    }
    sim::SimPc pc;
};

plat::Handle AllDevices(sim::SimPc& pc) {
    return pc.devices.SetupDiGetClassDevsA(nullptr, "", 0, 0x0C);
}
plat::DevInfoData First(sim::SimPc& pc, plat::Handle set) {
    plat::DevInfoData device;
    device.cbSize = plat::kDevInfoDataSize32;
    pc.devices.SetupDiEnumDeviceInfo(set, 0, &device);
    return device;
}
plat::DeviceInterfaceData FirstInterface(sim::SimPc& pc, plat::Handle set) {
    plat::DeviceInterfaceData data;
    data.cbSize = plat::kDeviceInterfaceDataSize32;
    pc.devices.SetupDiEnumDeviceInterfaces(set, nullptr, plat::kGuidDevInterfaceUsbDevice, 0, &data);
    return data;
}
std::string HidPath(sim::SimPc& pc) {
    sim::SimDevice* hid = pc.devices.All()[1];
    return pc.devices.InterfacePath(*hid, hid->interfaces[0]);
}
plat::ProcAddress Entry(sim::SimPc& pc, const char* library, const char* name) {
    sim::SimPc::OwnUse own(pc);
    return pc.libraries.GetProcAddress(pc.libraries.LoadLibraryA(library), name);
}
plat::Handle Token(sim::SimPc& pc) {
    sim::SimPc::OwnUse own(pc);
    plat::Handle token = 0;
    pc.system.OpenProcessToken(pc.system.GetCurrentProcess(), 0x28, &token);
    return token;
}

const DeviceCallCase kDeviceCalls[] = {
    {"SetupDiGetClassDevsA", [](sim::SimPc& pc) { return AllDevices(pc) == plat::kInvalidHandle; }},
    {"SetupDiCreateDeviceInfoList",
     [](sim::SimPc& pc) {
         return pc.devices.SetupDiCreateDeviceInfoList(&plat::kGuidClassMouse, 0) == plat::kInvalidHandle;
     }},
    {"SetupDiDestroyDeviceInfoList",
     [](sim::SimPc& pc) { return !pc.devices.SetupDiDestroyDeviceInfoList(AllDevices(pc)); }},
    {"SetupDiEnumDeviceInfo",
     [](sim::SimPc& pc) {
         plat::DevInfoData device;
         device.cbSize = plat::kDevInfoDataSize32;
         return !pc.devices.SetupDiEnumDeviceInfo(AllDevices(pc), 0, &device);
     }},
    {"SetupDiGetDeviceRegistryPropertyA",
     [](sim::SimPc& pc) {
         plat::Handle set = AllDevices(pc);
         std::vector<std::uint8_t> buffer(256);
         return !pc.devices.SetupDiGetDeviceRegistryPropertyA(set, First(pc, set), plat::kSpdrpClass, nullptr,
                                                              buffer.data(), 255, nullptr);
     }},
    {"SetupDiSetDeviceRegistryPropertyA",
     [](sim::SimPc& pc) {
         plat::Handle set = AllDevices(pc);
         const std::uint8_t name[] = {'T', 0};
         return !pc.devices.SetupDiSetDeviceRegistryPropertyA(set, First(pc, set), plat::kSpdrpFriendlyName,
                                                              name, 2);
     }},
    {"SetupDiRemoveDevice",
     [](sim::SimPc& pc) {
         plat::Handle set = AllDevices(pc);
         bool failed = !pc.devices.SetupDiRemoveDevice(set, First(pc, set));
         if (!failed) pc.devices.AddUsbController("VID_0D7A&PID_0306");
         return failed;
     }},
    {"SetupDiEnumDeviceInterfaces",
     [](sim::SimPc& pc) {
         plat::Handle set = pc.devices.SetupDiGetClassDevsA(&plat::kGuidDevInterfaceUsbDevice, "", 0, 0x12);
         plat::DeviceInterfaceData data;
         data.cbSize = plat::kDeviceInterfaceDataSize32;
         return !pc.devices.SetupDiEnumDeviceInterfaces(set, nullptr, plat::kGuidDevInterfaceUsbDevice, 0,
                                                        &data);
     }},
    {"SetupDiGetDeviceInterfaceDetailA",
     [](sim::SimPc& pc) {
         plat::Handle set = pc.devices.SetupDiGetClassDevsA(&plat::kGuidDevInterfaceUsbDevice, "", 0, 0x12);
         plat::DeviceInterfaceDetail detail;
         detail.cbSize = plat::kDeviceInterfaceDetailSize32;
         return !pc.devices.SetupDiGetDeviceInterfaceDetailA(set, FirstInterface(pc, set), &detail, 4096,
                                                             nullptr, nullptr);
     }},
    {"SetupDiSetClassInstallParamsA",
     [](sim::SimPc& pc) {
         plat::Handle set = AllDevices(pc);
         plat::DevInfoData device = First(pc, set);
         plat::PropChangeParams change{8, 0x12, 2, 1, 0};
         return !pc.devices.SetupDiSetClassInstallParamsA(set, &device, &change, 20);
     }},
    {"SetupDiCallClassInstaller",
     [](sim::SimPc& pc) {
         plat::Handle set = AllDevices(pc);
         plat::DevInfoData device = First(pc, set);
         plat::PropChangeParams change{8, 0x12, 1, 1, 0};
         pc.devices.SetupDiSetClassInstallParamsA(set, &device, &change, 20);
         return !pc.devices.SetupDiCallClassInstaller(0x12, set, &device);
     }},
    {"SetupDiGetINFClassA",
     [](sim::SimPc& pc) {
         plat::Guid guid;
         std::string name;
         return !pc.devices.SetupDiGetINFClassA("C:\\Windows\\inf\\msmouse.inf", &guid, &name, 256, nullptr);
     }},
    {"CreateFileA",
     [](sim::SimPc& pc) {
         plat::Handle device = pc.files.CreateFileA(HidPath(pc), 0, 3, 3, 0);
         if (device != plat::kInvalidHandle) pc.devices.CloseDeviceHandle(device);
         return device == plat::kInvalidHandle;
     }},
    {"HidD_GetAttributes",
     [](sim::SimPc& pc) {
         plat::Handle device;
         {
             sim::SimPc::OwnUse own(pc);
             device = pc.files.CreateFileA(HidPath(pc), 0, 3, 3, 0);
         }
         plat::HiddAttributes attributes;
         bool failed = !pc.devices.HidD_GetAttributes(device, &attributes);
         pc.devices.CloseDeviceHandle(device);
         return failed;
     }},
    {"UpdateDriverForPlugAndPlayDevicesA",
     [](sim::SimPc& pc) {
         plat::Bool reboot = 0;
         plat::ProcAddress update = Entry(pc, "newdev.dll", "UpdateDriverForPlugAndPlayDevicesA");
         bool failed = !pc.devices.CallUpdateDriverForPlugAndPlayDevicesA(
             update, 0, "HID\\VID_0D7A&PID_0306", "C:\\Windows\\inf\\msmouse.inf", 0, &reboot);
         pc.devices.All()[1]->driverInf = "oem1.inf";
         return failed;
     }},
    {"SetupUninstallOEMInfA",
     [](sim::SimPc& pc) {
         pc.files.AddFile("C:\\Windows\\inf\\oem5.inf", "[Version]\r\n");
         return !pc.devices.CallSetupUninstallOEMInfA(Entry(pc, "setupapi.dll", "SetupUninstallOEMInfA"),
                                                      "oem5.inf", 1);
     }},
    {"OpenProcessToken",
     [](sim::SimPc& pc) {
         plat::Handle token = 0;
         bool failed = !pc.system.OpenProcessToken(pc.system.GetCurrentProcess(), 0x28, &token);
         if (!failed) pc.system.CloseToken(token);
         return failed;
     }},
    {"LookupPrivilegeValueA",
     [](sim::SimPc& pc) {
         plat::Luid luid;
         return !pc.system.LookupPrivilegeValueA("", "SeShutdownPrivilege", &luid);
     }},
    {"AdjustTokenPrivileges",
     [](sim::SimPc& pc) {
         return !pc.system.AdjustTokenPrivileges(Token(pc), 0, {1, {19, 0}, 2}, 16);
     }},
    {"ExitWindowsEx",
     [](sim::SimPc& pc) {
         pc.system.shutdownPrivilegeEnabled = true;
         return !pc.system.ExitWindowsEx(2, 0);
     }},
    {"SetDoubleClickTime", [](sim::SimPc& pc) { return !pc.system.SetDoubleClickTime(400); }},
    {"GetDateFormatA",
     [](sim::SimPc& pc) {
         std::string text;
         return pc.system.GetDateFormatA(0x400, 1, {2011, 6, 2, 14, 9, 30, 0, 0}, "", &text, 80) == 0;
     }},
    {"GetTimeFormatA",
     [](sim::SimPc& pc) {
         std::string text;
         return pc.system.GetTimeFormatA(0x400, 0, {2011, 6, 2, 14, 9, 30, 0, 0}, "", &text, 80) == 0;
     }},
};

TEST_P(EveryDeviceCallTest, FailsOnceWithTheInjectedErrorThenWorks) {
    constexpr plat::DWord kInjected = 4711;
    EXPECT_NE(sim::SimPc::UsualError(GetParam().name), 0u) << "no usual error for " << GetParam().name;
    pc.FailCall(GetParam().name, kInjected);
    EXPECT_TRUE(GetParam().fails(pc));
    EXPECT_EQ(pc.GetLastError(), kInjected);
    EXPECT_FALSE(GetParam().fails(pc));
}

INSTANTIATE_TEST_SUITE_P(Calls, EveryDeviceCallTest, ::testing::ValuesIn(kDeviceCalls),
                         test_support::CaseName());

}  // namespace
