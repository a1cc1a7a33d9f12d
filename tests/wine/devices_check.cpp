// The program's device and registry routines against the real Windows calls,
// for the Wine tests: one routine (or one look at the machine) per run, its
// trace and results printed one line each.
//
//   devices_check hid-list                     HID path=... open=0|1 vendor=XXXX product=XXXX
//   devices_check hid-path TEXT                FOUND path=...          (FindHidDevicePath)
//   devices_check hid-mapper VENDOR PRODUCT    MAPPER path=...         (FindHidMapper, hexadecimal IDs)
//   devices_check create-root HWID             CREATED instance=...    (a root-enumerated device)
//   devices_check count HWID                   COUNT n=...             (devices with that hardware ID)
//   devices_check remove HWID                  RemovedDevicesByHwId
//   devices_check oem usb|serial vista|xp      RemoveOemInfsUsb / RemoveOemInfsSerial
//   devices_check registry usb|c3|serial INI HWID DESCRIPTION
//   devices_check clean usb|device|serial ID...
//   devices_check update HWID INF              UpdatePnpDriver
//   devices_check filter HWID                  InstallFilterDriver
//   devices_check setdev HWID STATE            SetDev32
//   devices_check uninstall-oem NAME FLAGS     SetupUninstallOEMInfA itself
//   devices_check state HWID STATE             the class installer's state change on every
//                                              device with that hardware ID
//   devices_check reboot QUESTION              RebootWindows (ends the process)
//
// Trace texts come as "TRACE <text>", results as "RESULT <value> error=<last error>".
#include <windows.h>
// The Setup API header needs windows.h first.
#include <setupapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "config/ui_texts.h"
#include "platform/os.h"
#include "platform/win32/win32_os.h"
#include "registry/device_operations.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace {

plat::win32::Win32Os theWin32Os;

void Say(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

void Result(const std::string& value) {
    Say("RESULT " + value + " error=" + std::to_string(plat::os().GetLastError()));
}

// Every present HID interface as the seam sees it, with what its device reports.
void ListHid() {
    plat::Os& os = plat::os();
    plat::DeviceApi& devices = os.Devices();
    plat::Guid hid;
    devices.HidD_GetHidGuid(&hid);
    plat::Handle set =
        devices.SetupDiGetClassDevsA(&hid, "", 0, plat::kDigcfPresent | plat::kDigcfDeviceInterface);
    if (set == plat::kInvalidHandle) {
        Result("no-set");
        return;
    }
    for (plat::DWord index = 0;; ++index) {
        plat::DeviceInterfaceData data;
        data.cbSize = plat::kDeviceInterfaceDataSize32;
        if (!devices.SetupDiEnumDeviceInterfaces(set, nullptr, hid, index, &data)) break;
        plat::DWord size = 0;
        devices.SetupDiGetDeviceInterfaceDetailA(set, data, nullptr, 0, &size, nullptr);
        plat::DeviceInterfaceDetail detail;
        detail.cbSize = plat::kDeviceInterfaceDetailSize32;
        if (!devices.SetupDiGetDeviceInterfaceDetailA(set, data, &detail, size, nullptr, nullptr)) continue;
        plat::Handle device = plat::os().Files().CreateFileA(detail.devicePath, 0, 3, plat::kOpenExisting, 0);
        plat::HiddAttributes attributes;
        attributes.size = plat::kHiddAttributesSize;
        bool opened = device != plat::kInvalidHandle;
        bool read = opened && devices.HidD_GetAttributes(device, &attributes);
        if (opened) os.Processes().CloseHandle(device);
        Say("HID path=" + detail.devicePath + " open=" + (opened ? "1" : "0") +
            (read ? " vendor=" + Hex4(attributes.vendorId) + " product=" + Hex4(attributes.productId) : ""));
    }
    devices.SetupDiDestroyDeviceInfoList(set);
}

// A root-enumerated device of the system class, registered as an
// installation program creates one before it installs its driver.
void CreateRootDevice(const std::string& hardwareId) {
    GUID systemClass = {0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    HDEVINFO set = SetupDiCreateDeviceInfoList(&systemClass, nullptr);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    std::string ids = hardwareId + std::string(2, '\0');
    char instance[512] = {};
    bool ok = set != INVALID_HANDLE_VALUE &&
              SetupDiCreateDeviceInfoA(set, "TouchCheck", &systemClass, nullptr, nullptr, DICD_GENERATE_ID,
                                       &device) &&
              SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                                reinterpret_cast<const BYTE*>(ids.data()),
                                                static_cast<DWORD>(ids.size())) &&
              SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device) &&
              SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof instance, nullptr);
    DWORD error = GetLastError();
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
    Say(ok ? std::string("CREATED instance=") + instance : "CREATE failed error=" + std::to_string(error));
}

// Devices, connected or not, one of whose hardware IDs is `hardwareId`.
void CountDevices(const std::string& hardwareId) {
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    int count = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; set != INVALID_HANDLE_VALUE && SetupDiEnumDeviceInfo(set, index, &device);
         ++index) {
        char ids[4096 + 2] = {};
        if (!SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE*>(ids), 4096, nullptr))
            continue;
        for (const char* id = ids; *id; id += std::strlen(id) + 1)
            if (lstrcmpiA(id, hardwareId.c_str()) == 0) ++count;
    }
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
    Say("COUNT n=" + std::to_string(count));
}

// What SetDev32 asks of the class installer, for devices found by hardware ID
// (Wine has no USB device interfaces to find them by).
void ChangeState(const std::string& hardwareId, plat::DWord state) {
    plat::Os& os = plat::os();
    plat::DeviceApi& devices = os.Devices();
    plat::Handle set = devices.SetupDiGetClassDevsA(nullptr, "", 0, plat::kDigcfAllClasses);
    plat::DevInfoData device;
    device.cbSize = plat::kDevInfoDataSize32;
    for (plat::DWord index = 0;
         set != plat::kInvalidHandle && devices.SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        std::vector<std::uint8_t> ids(4096 + 2, 0);
        if (!devices.SetupDiGetDeviceRegistryPropertyA(set, device, plat::kSpdrpHardwareId, nullptr,
                                                       ids.data(), 4096, nullptr) ||
            lstrcmpiA(reinterpret_cast<const char*>(ids.data()), hardwareId.c_str()) != 0)
            continue;
        plat::PropChangeParams change{plat::kClassInstallHeaderSize, plat::kDifPropertyChange, state,
                                      plat::kDicsFlagGlobal, 0};
        bool accepted =
            devices.SetupDiSetClassInstallParamsA(set, &device, &change, plat::kPropChangeParamsSize);
        Say("PARAMS " + std::string(accepted ? "1" : "0") + " error=" + std::to_string(os.GetLastError()));
        Result(devices.SetupDiCallClassInstaller(plat::kDifPropertyChange, set, &device) ? "1" : "0");
    }
    if (set != plat::kInvalidHandle) devices.SetupDiDestroyDeviceInfoList(set);
}

std::string WindowsFolder() {
    char folder[MAX_PATH] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    return folder;
}

int Usage() {
    std::fputs("usage: devices_check COMMAND ARGUMENTS... (see the source)\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    plat::SetOs(&theWin32Os);
    setup::SetTraceSink([](const std::string& text) { Say("TRACE " + text); });
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    const std::string& command = args[0];
    setup::TVEXA_Form1 form;
    form.UiTexts = config::BuiltInTexts();
    form.WindowsDir = WindowsFolder();
    form.IsNT = true;

    if (command == "hid-list") {
        ListHid();
    } else if (command == "hid-path" && args.size() == 2) {
        Say("FOUND path=" + form.FindHidDevicePath(args[1]));
    } else if (command == "hid-mapper" && args.size() == 3) {
        auto id = [](const std::string& text) {
            return static_cast<std::int32_t>(std::strtol(text.c_str(), nullptr, 16));
        };
        Say("MAPPER path=" + form.FindHidMapper(id(args[1]), id(args[2])));
    } else if (command == "create-root" && args.size() == 2) {
        CreateRootDevice(args[1]);
    } else if (command == "count" && args.size() == 2) {
        CountDevices(args[1]);
    } else if (command == "remove" && args.size() == 2) {
        setup::RemoveDevicesByHwId(args[1]);
        Result("done");
    } else if (command == "oem" && args.size() == 3) {
        form.IsVistaOrLater = args[2] == "vista";
        if (args[1] == "usb")
            form.RemoveOemInfsUsb(true);
        else
            form.RemoveOemInfsSerial(true);
        Result("done");
    } else if (command == "registry" && args.size() == 5) {
        form.SetupIni = std::make_unique<config::IniFile>(args[2]);
        form.DeviceHwId = args[3];
        form.DeviceDescText = args[4];
        form.DriverDisplayName = "Touch filter driver";
        if (args[1] == "usb")
            form.SetNtUsbRegistry();
        else if (args[1] == "c3")
            form.SetC3UsbRegistry();
        else
            form.SetNtSerialRegistry();
        Result("done");
    } else if (command == "clean" && args.size() >= 2) {
        form.HwIdList.assign(args.begin() + 2, args.end());
        if (args[1] == "usb") {
            form.CleanUsbRegistry();
        } else if (args[1] == "device") {
            form.DeviceHwId = args.size() > 2 ? args[2] : "";
            form.CleanUsbDeviceRegistry();
        } else {
            form.CleanSerialRegistry();
        }
        Result("done");
    } else if (command == "update" && args.size() == 3) {
        bool reboot = false;
        bool updated = setup::UpdatePnpDriver(args[1], args[2], reboot);
        Result(std::string(updated ? "1" : "0") + " reboot=" + (reboot ? "1" : "0"));
    } else if (command == "filter" && args.size() == 2) {
        Result(setup::InstallFilterDriver(args[1], "Touch controller") ? "1" : "0");
    } else if (command == "setdev" && args.size() == 3) {
        Result(setup::SetDev32(args[1], std::atoi(args[2].c_str())) ? "1" : "0");
    } else if (command == "uninstall-oem" && args.size() == 3) {
        plat::Os& os = plat::os();
        plat::Handle setupapi = os.Libraries().LoadLibraryA("setupapi.dll");
        plat::ProcAddress uninstall =
            setupapi ? os.Libraries().GetProcAddress(setupapi, "SetupUninstallOEMInfA") : 0;
        Result(uninstall && os.Devices().CallSetupUninstallOEMInfA(
                                uninstall, args[1], static_cast<plat::DWord>(std::atoi(args[2].c_str())))
                   ? "1"
                   : "0");
    } else if (command == "state" && args.size() == 3) {
        ChangeState(args[1], static_cast<plat::DWord>(std::atoi(args[2].c_str())));
    } else if (command == "reboot" && args.size() == 2) {
        form.UiTexts[0] = "Touch setup check";
        form.RebootWindows(args[1]);
    } else {
        return Usage();
    }
    return 0;
}
