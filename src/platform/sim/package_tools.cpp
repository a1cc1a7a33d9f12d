#include "platform/sim/package_tools.h"

#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace sim {
namespace {

constexpr plat::DWord kUninstallerRunMs = 1000;

bool HasArgument(const std::string& commandLine, const std::string& argument) {
    return (" " + commandLine + " ").find(" " + argument + " ") != std::string::npos;
}

}  // namespace

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
    pc.processes.ModelByName("hidfilter.exe", {[](SimPc& machine, const Launch& launch) -> plat::DWord {
                                                   if (HasArgument(launch.commandLine, "-install")) {
                                                       if (!machine.services.Exists("HIDFltrM"))
                                                           machine.services.Add("HIDFltrM",
                                                                                plat::kServiceStopped);
                                                       return 0;
                                                   }
                                                   if (HasArgument(launch.commandLine, "-uninstall")) {
                                                       if (SimService* s = machine.services.Find("HIDFltrM"))
                                                           s->markedForDelete = true;
                                                       return 0;
                                                   }
                                                   return 1;
                                               },
                                               500});
    // setdev64.exe: an x64 program; device changes come with the device model.
    ProgramModel setdev;
    setdev.run = [](SimPc&, const Launch&) -> plat::DWord { return 1; };
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
    pc.processes.ModelByName("touchcfg.exe", {[](SimPc& machine, const Launch&) -> plat::DWord {
                                                  SimWindow& window =
                                                      machine.windows.Add("TSwapFormZZ", "Touch");
                                                  window.closesOn = std::make_pair(0x480u, plat::WParam{255});
                                                  return 0;
                                              },
                                              0});
}

}  // namespace sim
