// The Setup API, HID and newdev calls of the device routines: interface paths
// and their record sizes, a registered device's properties, its state change
// and its removal, an INF's class, the driver update's refusals and Windows'
// own removal of an OEM INF copy. The machine is Windows 7 Service Pack 1,
// 64-bit; the program is a 32-bit process there.
#include <cstdio>

#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr plat::DWord kErrorInvalidData = 13;
constexpr plat::DWord kErrorInsufficientBuffer = 122;
constexpr plat::DWord kErrorNoMoreItems = 259;
constexpr plat::DWord kErrorInvalidFlags = 1004;
constexpr plat::DWord kErrorInvalidUserBuffer = 1784;
constexpr plat::DWord kErrorNoSuchDevinst = 0xE000020B;
constexpr plat::DWord kErrorInWow64 = 0xE0000235;

plat::DeviceApi& Devices() {
    return plat::os().Devices();
}

std::string GuidString(const plat::Guid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2,
                  g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6],
                  g.data4[7]);
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

plat::ProcAddress EntryPoint(const std::string& library, const std::string& name) {
    plat::LibraryApi& libraries = plat::os().Libraries();
    plat::Handle module = libraries.LoadLibraryA(library);
    return module ? libraries.GetProcAddress(module, name) : 0;
}

// The element of a set whose first hardware ID is `id`; false when none.
bool FindDevice(plat::Handle set, const std::string& id, plat::DevInfoData* found) {
    plat::DevInfoData device;
    device.cbSize = plat::kDevInfoDataSize32;
    for (plat::DWord index = 0; Devices().SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        std::vector<std::uint8_t> ids(4096 + 2, 0);
        if (!Devices().SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpHardwareId, nullptr,
                                                         ids.data(), 4096, nullptr))
            continue;
        if (Upper(reinterpret_cast<const char*>(ids.data())) == Upper(id)) {
            *found = device;
            return true;
        }
    }
    return false;
}

int CountDevices(const std::string& id) {
    plat::Handle set =
        Devices().SetupDiGetClassDevsA(nullptr, "", 0, plat::kDigcfAllClasses | plat::kDigcfProfile);
    int count = 0;
    plat::DevInfoData device;
    while (set != plat::kInvalidHandle && FindDevice(set, id, &device)) {
        ++count;
        break;  // one is enough to tell
    }
    if (set != plat::kInvalidHandle) Devices().SetupDiDestroyDeviceInfoList(set);
    return count;
}

}  // namespace

SCENARIO("devices", "HID interface paths and the detail record") {
    plat::Guid hid;
    Devices().HidD_GetHidGuid(&hid);
    check.Expect("HID interface class", GuidString(hid), "{4D1E55B2-F16F-11CF-88CB-001111000030}");
    plat::Handle set =
        Devices().SetupDiGetClassDevsA(&hid, "", 0, plat::kDigcfPresent | plat::kDigcfDeviceInterface);
    check.ExpectTrue("present HID interfaces listed", set != plat::kInvalidHandle);
    if (set == plat::kInvalidHandle) return;
    plat::DeviceInterfaceData data;
    data.cbSize = plat::kDeviceInterfaceDataSize32;
    plat::DWord index = 0;
    for (; Devices().SetupDiEnumDeviceInterfaces(set, nullptr, hid, index, &data); ++index) {
        plat::DWord size = 0;
        check.Expect(
            "size query",
            BoolResult(Devices().SetupDiGetDeviceInterfaceDetailA(set, data, nullptr, 0, &size, nullptr)),
            "FALSE, error " + std::to_string(kErrorInsufficientBuffer));
        plat::DeviceInterfaceDetail detail;
        detail.cbSize = 6;  // the record size of no architecture
        check.Expect("a wrong record size",
                     BoolResult(Devices().SetupDiGetDeviceInterfaceDetailA(set, data, &detail, size, nullptr,
                                                                           nullptr)),
                     "FALSE, error " + std::to_string(kErrorInvalidUserBuffer));
        detail.cbSize = plat::kDeviceInterfaceDetailSize32;
        check.Expect("a buffer one byte short",
                     BoolResult(Devices().SetupDiGetDeviceInterfaceDetailA(set, data, &detail, size - 1,
                                                                           nullptr, nullptr)),
                     "FALSE, error " + std::to_string(kErrorInsufficientBuffer));
        check.Expect("the detail",
                     BoolResult(Devices().SetupDiGetDeviceInterfaceDetailA(set, data, &detail, size, nullptr,
                                                                           nullptr)),
                     "TRUE");
        check.Expect("size: the size field, the path and its NUL", size,
                     static_cast<std::int64_t>(4 + detail.devicePath.size() + 1));
        check.Expect("path of the HID class, in lower case",
                     detail.devicePath.substr(0, 8) + "|" +
                         (detail.devicePath == Lower(detail.devicePath) ? "lower" : "mixed"),
                     "\\\\?\\hid#|lower");
    }
    check.Expect("past the last interface", LastError(), kErrorNoMoreItems);
    check.Expect("list released", BoolResult(Devices().SetupDiDestroyDeviceInfoList(set)), "TRUE");
    check.Expect("a class is needed unless all classes are asked for",
                 Devices().SetupDiGetClassDevsA(nullptr, "", 0, plat::kDigcfPresent) == plat::kInvalidHandle
                     ? "INVALID_HANDLE_VALUE, error " + std::to_string(LastError())
                     : "a handle",
                 "INVALID_HANDLE_VALUE, error 87");
}

SCENARIO("devices", "a registered device: properties, state change and removal") {
    const std::string id = "ROOT\\CONFORMANCE_" + Upper(backend.unique);
    backend.fixture->AddRootDevice(id);
    plat::Handle set =
        Devices().SetupDiGetClassDevsA(nullptr, "", 0, plat::kDigcfAllClasses | plat::kDigcfProfile);
    check.ExpectTrue("every device listed", set != plat::kInvalidHandle);
    plat::DevInfoData device;
    bool found = set != plat::kInvalidHandle && FindDevice(set, id, &device);
    check.ExpectTrue("the registered device is among them", found);
    if (!found) return;

    plat::DWord type = 0, size = 0;
    check.Expect("hardware IDs: size query",
                 BoolResult(Devices().SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpHardwareId,
                                                                        &type, nullptr, 0, &size)),
                 "FALSE, error " + std::to_string(kErrorInsufficientBuffer));
    check.Expect("their size: the ID, its NUL and the list's", size,
                 static_cast<std::int64_t>(id.size() + 2));
    std::vector<std::uint8_t> buffer(256, 0);
    check.Expect("no friendly name",
                 BoolResult(Devices().SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpFriendlyName,
                                                                        &type, buffer.data(), 255, &size)),
                 "FALSE, error " + std::to_string(kErrorInvalidData));

    const std::string name = "Conformance device";
    check.Expect(
        "friendly name set",
        BoolResult(Devices().SetupDiSetDeviceRegistryPropertyA(
            set, device, plat::kSpdrpFriendlyName, reinterpret_cast<const std::uint8_t*>(name.c_str()),
            static_cast<plat::DWord>(name.size() + 1))),
        "TRUE");
    check.Expect("read back",
                 BoolResult(Devices().SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpFriendlyName,
                                                                        &type, buffer.data(), 255, &size)),
                 "TRUE");
    check.Expect("as a string", std::to_string(type) + " " + reinterpret_cast<const char*>(buffer.data()),
                 "1 " + name);
    const std::uint8_t filters[8] = {'q', 'z', 'u', 's', 'b', 'f', 0, 0};
    check.Expect("lower filters set",
                 BoolResult(Devices().SetupDiSetDeviceRegistryPropertyA(set, device, plat::kSpdrpLowerFilters,
                                                                        filters, sizeof filters)),
                 "TRUE");
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0xEE});
    check.Expect("read back",
                 BoolResult(Devices().SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpLowerFilters,
                                                                        &type, buffer.data(), 255, &size)),
                 "TRUE");
    check.Expect("as a list", std::to_string(type) + " " + Bytes({buffer.begin(), buffer.begin() + size}),
                 "7 71 7a 75 73 62 66 00 00");

    plat::PropChangeParams change{plat::kClassInstallHeaderSize, plat::kDifPropertyChange, plat::kDicsDisable,
                                  plat::kDicsFlagGlobal, 0};
    check.WineDeparts("Wine's SetupDiSetClassInstallParamsA is a stub that refuses every request")
        .Expect("parameters of a wrong size",
                BoolResult(Devices().SetupDiSetClassInstallParamsA(set, &device, &change, 24)),
                "FALSE, error 87");
    check.WineDeparts("Wine's SetupDiSetClassInstallParamsA is a stub that refuses every request")
        .Expect("state-change parameters",
                BoolResult(Devices().SetupDiSetClassInstallParamsA(set, &device, &change,
                                                                   plat::kPropChangeParamsSize)),
                "TRUE");
    // A 32-bit program on 64-bit Windows may not change devices (ERROR_IN_WOW64).
    check.WineDeparts("Wine's class installer does not handle DIF_PROPERTYCHANGE (ERROR_DI_DO_DEFAULT)")
        .Expect("disable through the class installer",
                BoolResult(Devices().SetupDiCallClassInstaller(plat::kDifPropertyChange, set, &device)),
                backend.wow64 ? "FALSE, error " + std::to_string(kErrorInWow64) : "TRUE");

    check.Expect("removed", BoolResult(Devices().SetupDiRemoveDevice(set, device)), "TRUE");
    check.Expect("list released", BoolResult(Devices().SetupDiDestroyDeviceInfoList(set)), "TRUE");
    check.Expect("no longer listed", CountDevices(id), 0);
}

SCENARIO("devices", "an INF's class from its Version section") {
    std::string inf = InScratch(backend, "mouse.inf");
    plat::os().Files().WriteWholeFile(inf,
                                      "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Mouse\r\n"
                                      "ClassGuid={4D36E96F-E325-11CE-BFC1-08002BE10318}\r\n");
    plat::Guid guid;
    std::string name;
    plat::DWord needed = 0;
    check.WineDeparts("Wine fills a name buffer that is too small and reports success")
        .Expect("a name buffer too small",
                BoolResult(Devices().SetupDiGetINFClassA(inf, &guid, &name, 3, &needed)),
                "FALSE, error " + std::to_string(kErrorInsufficientBuffer));
    check.WineDeparts("Wine reports no size when it filled a buffer that is too small")
        .Expect("the size it needs", needed, 6);
    check.Expect("the class", BoolResult(Devices().SetupDiGetINFClassA(inf, &guid, &name, 256, &needed)),
                 "TRUE");
    check.Expect("its name and GUID", name + " " + GuidString(guid),
                 "Mouse {4D36E96F-E325-11CE-BFC1-08002BE10318}");
    check.Expect(
        "an INF that does not exist",
        BoolResult(Devices().SetupDiGetINFClassA(InScratch(backend, "none.inf"), &guid, &name, 256, &needed)),
        "FALSE, error 2");
}

SCENARIO("devices", "driver update refusals") {
    plat::ProcAddress update = EntryPoint("newdev.dll", "UpdateDriverForPlugAndPlayDevicesA");
    check.ExpectTrue("newdev.dll exports UpdateDriverForPlugAndPlayDevicesA", update != 0);
    if (update == 0) return;
    std::string inf = InScratch(backend, "touch.inf");
    plat::os().Files().WriteWholeFile(inf,
                                      "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Mouse\r\n"
                                      "ClassGuid={4D36E96F-E325-11CE-BFC1-08002BE10318}\r\n"
                                      "[Manufacturer]\r\nM=M\r\n[M]\r\nD=I, ROOT\\CONFORMANCE_NO_DEVICE\r\n");
    plat::Bool reboot = 7;
    check.WineDeparts("Wine's driver update does not check its flags")
        .Expect("unknown install flags",
                BoolResult(Devices().CallUpdateDriverForPlugAndPlayDevicesA(
                    update, 0, "ROOT\\CONFORMANCE_NO_DEVICE", inf, 0x80, &reboot)),
                "FALSE, error " + std::to_string(kErrorInvalidFlags));
    // A 32-bit program on 64-bit Windows cannot update drivers (ERROR_IN_WOW64).
    check.WineDeparts("Wine's driver update reports success when no device has the hardware ID")
        .Expect("no device with the hardware ID",
                BoolResult(Devices().CallUpdateDriverForPlugAndPlayDevicesA(
                    update, 0, "ROOT\\CONFORMANCE_NO_DEVICE", inf, 0, &reboot)),
                "FALSE, error " + std::to_string(backend.wow64 ? kErrorInWow64 : kErrorNoSuchDevinst));
    check.WineDeparts("Wine answers the restart question of an update it did not make")
        .Expect("the restart answer is left alone", reboot, 7);
    if (!backend.wow64)
        check.WineDeparts("Wine's driver update reports success when no device has the hardware ID")
            .Expect(
                "an INF that does not exist",
                BoolResult(Devices().CallUpdateDriverForPlugAndPlayDevicesA(
                    update, 0, "ROOT\\CONFORMANCE_NO_DEVICE", InScratch(backend, "none.inf"), 0, &reboot)),
                "FALSE, error 2");
}

SCENARIO("devices", "Windows' removal of an OEM INF copy") {
    plat::ProcAddress uninstall = EntryPoint("setupapi.dll", "SetupUninstallOEMInfA");
    check.ExpectTrue("setupapi.dll exports SetupUninstallOEMInfA", uninstall != 0);
    if (uninstall == 0) return;
    std::string windows;
    plat::os().System().GetWindowsDirectoryA(&windows, 260);
    unsigned number = 9000;
    for (char c : backend.unique) number = (number * 31 + static_cast<unsigned char>(c)) % 900;
    const std::string base = "oem" + std::to_string(9000 + number);
    const std::string inf = windows + "\\inf\\" + base + ".inf", pnf = windows + "\\inf\\" + base + ".pnf";
    plat::FileApi& files = plat::os().Files();
    auto exists = [&](const std::string& path) {
        return files.GetFileAttributesA(path) != plat::kInvalidFileAttributes;
    };
    const std::string text = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Mouse\r\n";

    files.WriteWholeFile(inf, text);
    files.WriteWholeFile(pnf, "PNF");
    check.Expect("a copy no device uses",
                 BoolResult(Devices().CallSetupUninstallOEMInfA(uninstall, base + ".inf", 0)), "TRUE");
    check.WineDeparts("Wine deletes an OEM INF only when forced")
        .Expect("its .inf gone", exists(inf) ? "there" : "gone", "gone");
    check.WineDeparts("Wine deletes an OEM INF only when forced")
        .Expect("its .pnf gone", exists(pnf) ? "there" : "gone", "gone");

    files.WriteWholeFile(inf, text);
    files.WriteWholeFile(pnf, "PNF");
    check.Expect(
        "forced",
        BoolResult(Devices().CallSetupUninstallOEMInfA(uninstall, base + ".inf", plat::kSuoiForceDelete)),
        "TRUE");
    check.Expect("its .inf gone", exists(inf) ? "there" : "gone", "gone");
    check.WineDeparts("Wine's forced removal leaves the .pnf")
        .Expect("its .pnf gone", exists(pnf) ? "there" : "gone", "gone");
    check.Expect(
        "a copy that is not there",
        BoolResult(Devices().CallSetupUninstallOEMInfA(uninstall, base + ".inf", plat::kSuoiForceDelete)),
        "FALSE, error 2");
    files.DeleteFileA(inf);
    files.DeleteFileA(pnf);
}

SCENARIO("devices", "opening a device that is not there") {
    plat::Handle device = plat::os().Files().CreateFileA(
        "\\\\?\\hid#vid_0000&pid_0000#conformance#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0,
        plat::kFileShareRead | plat::kFileShareWrite, plat::kOpenExisting, 0);
    check.Expect("no such device",
                 device == plat::kInvalidHandle ? "INVALID_HANDLE_VALUE, error " + std::to_string(LastError())
                                                : "a handle",
                 "INVALID_HANDLE_VALUE, error 2");
    if (device != plat::kInvalidHandle) plat::os().Processes().CloseHandle(device);
}

}  // namespace conformance
