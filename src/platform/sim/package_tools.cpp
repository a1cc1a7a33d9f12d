#include "platform/sim/package_tools.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace sim {
namespace {

constexpr const char* kVirtualTouchHardwareId = "{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\\HID_DEVICE";
constexpr plat::DWord kUninstallerRunMs = 1000;

bool HasArgument(const std::string& commandLine, const std::string& argument) {
    return (" " + commandLine + " ").find(" " + argument + " ") != std::string::npos;
}

// The arguments after the program, split as the C runtime does for the
// command lines these tools get (blanks outside double quotes; quotes dropped).
std::vector<std::string> Arguments(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    if (!words.empty()) words.erase(words.begin());
    return words;
}

// A path an argument names, against the folder the tool runs in.
std::string InFolder(const std::string& folder, const std::string& path) {
    if (path.find(':') != std::string::npos || path.starts_with("\\")) return path;
    return folder.empty() || folder.back() == '\\' ? folder + path : folder + "\\" + path;
}

// The INF files of a folder, in search order.
std::vector<std::string> InfFilesIn(SimPc& machine, const std::string& folder) {
    std::vector<std::string> infs;
    for (const auto& name : machine.files.List(folder)) {
        std::string path = folder + "\\" + name;
        std::string upper = UpperName(name);
        if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".INF") == 0 &&
            !machine.files.IsFolder(path))
            infs.push_back(path);
    }
    return infs;
}

// DPInst's exit code: packages installed on a device, copied to the store
// only, and failed, with the restart and failure bits.
plat::DWord DpInstResult(unsigned installed, unsigned copied, unsigned failed, bool restart) {
    return (failed ? 0x80000000u : 0u) | (restart ? 0x40000000u : 0u) | ((failed & 0xFFu) << 16) |
           ((copied & 0xFFu) << 8) | (installed & 0xFFu);
}

// dpinst.exe /q /se: every driver package in its own folder goes into the
// INF store and onto the connected devices it supports.
// dpinst.exe /u <inf> /d /q /se: the package's store copies are removed and
// the devices that use them lose their driver.
plat::DWord RunDpInst(SimPc& machine, const Launch& launch) {
    std::vector<std::string> args = Arguments(launch.commandLine);
    std::string uninstall;
    for (size_t i = 0; i < args.size(); ++i)
        if (SameName(args[i], "/u") && i + 1 < args.size()) uninstall = args[i + 1];
    if (!machine.IsAdministrator()) return DpInstResult(0, 0, 1, false);
    if (!uninstall.empty()) {
        std::string path = InFolder(launch.currentDirectory, uninstall);
        if (!machine.files.Exists(path)) return DpInstResult(0, 0, 1, false);
        std::string text = machine.files.Contents(path);
        std::string store = machine.facts.windowsDir + "\\inf";
        unsigned removed = 0;
        // Every copy of the package in the store, whatever its name.
        for (const auto& name : machine.files.List(store)) {
            std::string upper = UpperName(name);
            if (upper.size() < 5 || upper.compare(upper.size() - 4, 4, ".INF") != 0 ||
                machine.files.Contents(store + "\\" + name) != text)
                continue;
            for (SimDevice* device : machine.devices.All())
                if (SameName(device->driverInf, name)) device->driverInf.clear();
            machine.files.Remove(store + "\\" + name);
            machine.files.Remove(store + "\\" + name.substr(0, name.size() - 4) + ".pnf");
            ++removed;
        }
        return DpInstResult(removed, 0, 0, false);  // nothing to remove is no failure
    }
    unsigned installed = 0, copied = 0, failed = 0;
    bool restart = false;
    for (const auto& inf : InfFilesIn(machine, FolderOf(launch.program))) {
        if (machine.devices.InfClass(inf).empty() || machine.devices.CopyToInfStore(inf).empty()) {
            ++failed;
            continue;
        }
        bool onDevice = false;
        for (const auto& id : machine.devices.InfModelIds(inf)) {
            bool needsRestart = false;
            if (machine.devices.UpdateDrivers(id, inf, 0, &needsRestart) == 0) onDevice = true;
            restart = restart || needsRestart;
        }
        ++(onDevice ? installed : copied);
    }
    return DpInstResult(installed, copied, failed, restart);
}

// devcon.exe install <inf> <hwid>: a root-enumerated device with that
// hardware ID, with the INF's driver. devcon.exe remove <id>...: every
// connected device with one of those hardware or compatible IDs goes. Exit
// code 0 done, 1 restart needed, 2 failure, 3 a command line it does not take.
plat::DWord RunDevCon(SimPc& machine, const Launch& launch) {
    constexpr plat::DWord kDone = 0, kRestart = 1, kFailure = 2, kUsage = 3;
    std::vector<std::string> args = Arguments(launch.commandLine);
    if (!args.empty() && (SameName(args[0], "/r") || SameName(args[0], "-r"))) args.erase(args.begin());
    if (args.empty()) return kUsage;
    if (!machine.IsAdministrator()) return kFailure;
    if (SameName(args[0], "install") && args.size() == 3) {
        std::string inf = InFolder(launch.currentDirectory, args[1]);
        std::string className = machine.devices.InfClass(inf);
        if (className.empty()) return kFailure;
        int number = 0;
        std::string prefix = "ROOT\\" + UpperName(className) + "\\";
        auto instance = [&] {
            std::string digits = std::to_string(number);
            return prefix + std::string(4 - std::min<size_t>(4, digits.size()), '0') + digits;
        };
        while (machine.devices.Find(instance())) ++number;
        SimDevice device;
        device.instanceId = instance();
        device.hardwareIds = {args[2]};
        device.className = className;
        std::string text = machine.files.Contents(machine.files.Resolve(inf));
        auto guidAt = UpperName(text).find("CLASSGUID");
        auto brace = guidAt == std::string::npos ? std::string::npos : text.find('{', guidAt);
        if (brace != std::string::npos)
            if (auto guid = ParseGuid(text.substr(brace, 38))) device.classGuid = *guid;
        machine.devices.Add(device);
        bool restart = false;
        if (machine.devices.UpdateDrivers(args[2], machine.files.Resolve(inf), plat::kInstallFlagForce,
                                          &restart) != 0)
            return kFailure;
        return restart ? kRestart : kDone;
    }
    if (SameName(args[0], "remove") && args.size() >= 2) {
        bool restart = false;
        for (size_t i = 1; i < args.size(); ++i) {
            for (SimDevice* device : machine.devices.MatchingAnyId(args[i], true)) {
                restart = restart || device->restartOnChange;
                machine.devices.Remove(device->instanceId);
            }
        }
        return restart ? kRestart : kDone;
    }
    return kUsage;
}

// setdev64.exe, as package/tools/setdev64.c: "<id>" 2 or 1 disables or
// enables every device one of whose hardware IDs contains <id>; "<id>" 256
// <inf> updates the driver of the devices with hardware ID <id>. Exit code 0
// nothing done, 1 done, 2 done and a restart is needed.
plat::DWord RunSetDev64(SimPc& machine, const Launch& launch) {
    constexpr plat::DWord kFailed = 0, kDone = 1, kDoneRestartNeeded = 2;
    std::vector<std::string> args = Arguments(launch.commandLine);
    if (args.size() < 2) return kFailed;
    if (args.size() == 2 && (args[1] == "2" || args[1] == "1")) {
        if (!machine.IsAdministrator()) return kFailed;
        std::string wanted = UpperName(args[0]);
        bool changed = false, restart = false;
        for (SimDevice* device : machine.devices.All()) {
            bool match = false;
            for (const auto& id : device->hardwareIds)
                match = match || UpperName(id).find(wanted) != std::string::npos;
            if (!match) continue;
            machine.devices.SetEnabled(*device, args[1] == "1");
            changed = true;
            restart = restart || device->restartOnChange;
        }
        return !changed ? kFailed : restart ? kDoneRestartNeeded : kDone;
    }
    if (args.size() == 3 && args[1] == "256") {
        if (!machine.IsAdministrator()) return kFailed;
        bool restart = false;
        if (machine.devices.UpdateDrivers(args[0], args[2], 0, &restart) != 0) return kFailed;
        return restart ? kDoneRestartNeeded : kDone;
    }
    return kFailed;
}

// hidfilter.exe, as package/tools/hidfilter.c: -install or -uninstall of the
// service "HIDFltrM", optionally -silent. Exit code 0 done, 1 failed, 2 a
// command line it does not understand.
plat::DWord RunHidFilter(SimPc& machine, const Launch& launch) {
    bool install = false, uninstall = false;
    for (const auto& arg : Arguments(launch.commandLine)) {
        if (SameName(arg, "-install"))
            install = true;
        else if (SameName(arg, "-uninstall"))
            uninstall = true;
        else if (!SameName(arg, "-silent"))
            return 2;
    }
    if (install == uninstall) return 2;
    if (!machine.IsAdministrator()) return 1;
    if (install) {
        if (!machine.services.Exists("HIDFltrM")) machine.services.Add("HIDFltrM", plat::kServiceStopped);
        return 0;
    }
    if (SimService* service = machine.services.Find("HIDFltrM")) {
        service->state = plat::kServiceStopped;
        machine.services.Delete("HIDFltrM");
    }
    return 0;
}

// sc.exe delete <service> and sc.exe start <service>: the exit code is the
// Windows error of the failing call, 0 on success.
plat::DWord RunSc(SimPc& machine, const Launch& launch) {
    std::vector<std::string> args = Arguments(launch.commandLine);
    if (args.size() < 2) return plat::kErrorInvalidParameter;
    if (!machine.IsAdministrator()) return plat::kErrorAccessDenied;
    SimService* service = machine.services.Find(args[1]);
    if (!service) return plat::kErrorServiceDoesNotExist;
    if (SameName(args[0], "delete")) {
        if (service->markedForDelete) return plat::kErrorServiceMarkedForDelete;
        machine.services.Delete(args[1]);
        return 0;
    }
    if (SameName(args[0], "start")) {
        if (service->state != plat::kServiceStopped) return plat::kErrorServiceAlreadyRunning;
        if (service->refuseStart) return plat::kErrorServiceDisabled;
        service->state = plat::kServiceRunning;
        ++service->startRequests;
        return 0;
    }
    return plat::kErrorInvalidParameter;
}

}  // namespace

void ModelSystemTools(SimPc& pc) {
    std::string system32 = pc.facts.windowsDir + "\\System32\\sc.exe";
    pc.files.AddFile(system32, "MZ");
    if (pc.facts.is64Bit) pc.files.AddFile(pc.facts.windowsDir + "\\SysWOW64\\sc.exe", "MZ");
    pc.processes.ModelByName("sc.exe", {RunSc, 300});
}

void ModelPackageTools(SimPc& pc) {
    // setup.dll: a multi-monitor package has a file "multimonitor" beside the library.
    pc.libraries.ModelByName("setup.dll", [](const std::string& path) {
        LibraryModel model;
        model.exports["VEXA_GetSetupFlag"] = [path](SimPc& machine) {
            return machine.files.Exists(FolderOf(path) + "\\multimonitor") ? 1 : 0;
        };
        return model;
    });
    // tsutils.dll: asks Plug and Play to re-enumerate; 0 when that worked.
    pc.libraries.ModelByName("tsutils.dll", [](const std::string&) {
        LibraryModel model;
        model.exports["VEXA_ReScanDevice"] = [](SimPc&) { return 0; };
        return model;
    });

    // pnpreg.exe -u: deletes the pending Plug-and-Play marker; a 32-bit tool,
    // so on 64-bit Windows it sees the 32-bit view of SOFTWARE.
    pc.processes.ModelByName("pnpreg.exe", {[](SimPc& machine, const Launch& launch) -> plat::DWord {
                                                if (!HasArgument(launch.commandLine, "-u")) return 1;
                                                machine.registry.DeleteValue(
                                                    machine.facts.is64Bit
                                                        ? "HKLM\\SOFTWARE\\Wow6432Node\\Brivo\\PnpReg"
                                                        : "HKLM\\SOFTWARE\\Brivo\\PnpReg",
                                                    "PnpPending");
                                                return 0;
                                            },
                                            200});
    pc.processes.ModelByName("hidfilter.exe", {RunHidFilter, 500});
    // setdev64.exe: an x64 program.
    ProgramModel setdev;
    setdev.run = RunSetDev64;
    setdev.runtimeMs = 1500;
    setdev.is64BitImage = true;
    pc.processes.ModelByName("setdev64.exe", setdev);
    // The uninstaller (shipped as setup.dat, installed as uninstall.exe): its
    // window tells a starting setup that an uninstall runs; it starts the
    // installed setup.exe -u from its own folder and waits for it, then closes
    // its window and ends. The setup run it starts is not simulated.
    ProgramModel uninstaller;
    uninstaller.run = [](SimPc& machine, const Launch& launch) -> plat::DWord {
        machine.windows.Add("TUN_INST", ".UN_INST.").closesAt = machine.clock.now + kUninstallerRunMs;
        std::string setup = FolderOf(launch.program) + "\\setup.exe";
        if (setup.find(' ') != std::string::npos) setup = "\"" + setup + "\"";
        plat::StartupInfo startup;
        startup.cb = 68;
        plat::ProcessInformation info;
        if (!machine.processes.CreateProcessA("", setup + " -u", 0, 0, FolderOf(launch.program), startup,
                                              &info))
            return 1;
        machine.processes.CloseHandle(info.process);
        machine.processes.CloseHandle(info.thread);
        return 0;
    };
    uninstaller.runtimeMs = kUninstallerRunMs;
    pc.processes.ModelByName("uninstall.exe", uninstaller);
    pc.processes.ModelByName("setup.dat", uninstaller);
    // touchcfg.exe: a touch tool whose window closes on the tool message.
    // Microsoft's driver tools that the program writes out.
    pc.processes.ModelByName("dpinst.exe", {RunDpInst, 3000});
    pc.processes.ModelByName("devcon.exe", {RunDevCon, 1000});
    // The virtual touch device's driver reports a HID collection with the
    // mapper's IDs, which the install looks for before creating the device.
    pc.devices.driverHooks.push_back([](SimPc& machine, SimDevice& device, const std::string& infText) {
        if (UpperName(infText).find(UpperName(kVirtualTouchHardwareId)) == std::string::npos) return;
        bool ours = false;
        for (const auto& id : device.hardwareIds) ours = ours || SameName(id, kVirtualTouchHardwareId);
        std::string child =
            "HID\\" + std::string(kVirtualTouchHardwareId) + "\\" + std::to_string(device.devInst);
        if (!ours || machine.devices.Find(child)) return;
        SimDevice mapper;
        mapper.instanceId = child;
        mapper.parent = device.instanceId;
        mapper.hardwareIds = {"HID\\VID_0D7A&PID_E7A7", "HID_DEVICE_SYSTEM_VTOUCH"};
        mapper.className = "HIDClass";
        mapper.classGuid = plat::kGuidClassHid;
        mapper.description = "HID-compliant touch screen";
        mapper.interfaces = {{plat::kGuidDevInterfaceHid, ""}};
        plat::HiddAttributes attributes;
        attributes.size = plat::kHiddAttributesSize;
        attributes.vendorId = 0x0D7A;
        attributes.productId = 0xE7A7;
        attributes.versionNumber = 0x0100;
        mapper.hid = attributes;
        machine.devices.Add(mapper);
    });
    pc.processes.ModelByName("touchcfg.exe", {[](SimPc& machine, const Launch&) -> plat::DWord {
                                                  SimWindow& window =
                                                      machine.windows.Add("TSwapFormZZ", "Touch");
                                                  window.closesOn = std::make_pair(0x480u, plat::WParam{255});
                                                  return 0;
                                              },
                                              0});
}

}  // namespace sim
