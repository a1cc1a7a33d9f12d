// A simulated Windows PC: a plain-data model of one machine that implements
// the seam with the documented behaviour of each call, including its failures.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/sim/devices.h"
#include "platform/sim/files.h"
#include "platform/sim/libraries.h"
#include "platform/sim/processes.h"
#include "platform/sim/registry.h"
#include "platform/sim/services.h"
#include "platform/sim/system.h"
#include "platform/sim/ui.h"
#include "platform/sim/windows.h"

namespace sim {

// Thrown by ExitProcess. It is not a std::exception, so the program's own
// error handling never catches it; it unwinds to whoever ran the program.
struct ProcessExit {
    unsigned exitCode;
};

// A test-harness failure (for example a message box that no script answers).
// Not a std::exception either, for the same reason.
struct HarnessFailure {
    std::string what;
};

struct MachineFacts {
    // Version as the version query reports it to the program.
    plat::DWord major = 6;
    plat::DWord minor = 1;
    plat::DWord build = 7601;
    bool win9x = false;          // Windows 95/98/Me
    bool is64Bit = true;         // 64-bit Windows; the program is always a 32-bit process
    std::string locale = "ENU";  // abbreviated language name of the system default locale
    std::string userName = "Admin";
    int privilege = 2;  // 0 guest, 1 user, 2 administrator
    std::string windowsDir = "C:\\Windows";
    std::string tempDir = "C:\\Temp\\";
    // Local time when the simulated clock reads 0, and the user's formats.
    plat::SystemTime startTime{2011, 6, 2, 14, 9, 30, 0, 0};
    std::string shortDateFormat = "M/d/yyyy";
    std::string longTimeFormat = "h:mm:ss tt";
};

// The simulated clock: sleeping advances it at once.
class SimClock : public plat::ClockApi {
public:
    void Sleep(plat::DWord milliseconds) override;
    plat::DWord GetTickCount() override { return static_cast<plat::DWord>(now); }
    std::uint64_t now = 0;  // simulated milliseconds since start
    std::uint64_t sleepCalls = 0;
    std::uint64_t sleptMs = 0;
};

class SimPc : public plat::Os {
public:
    SimPc();
    ~SimPc() override;
    SimPc(const SimPc&) = delete;
    SimPc& operator=(const SimPc&) = delete;

    plat::RegistryApi& Registry() override { return registry; }
    plat::FileApi& Files() override { return files; }
    plat::ServiceApi& Services() override { return services; }
    plat::ProcessApi& Processes() override { return processes; }
    plat::WindowApi& Windows() override { return windows; }
    plat::ClockApi& Clock() override { return clock; }
    plat::LibraryApi& Libraries() override { return libraries; }
    plat::UiApi& Ui() override { return ui; }
    plat::SystemApi& System() override { return system; }
    plat::DeviceApi& Devices() override { return devices; }
    plat::DWord GetLastError() override { return lastError; }

    void SetLastError(plat::DWord error) { lastError = error; }
    bool IsAdministrator() const { return facts.privilege == 2; }

    // Failure injection: after `skip` matching calls have succeeded, the next
    // `times` calls of the named seam method (e.g. "RegOpenKeyExA") fail with
    // `error` (times -1: every call). FailCallOn narrows the failure to calls
    // whose key argument (a path, key name, service name, hardware ID; compared
    // without regard to case) is `argument`. Failures add up: several may be set
    // for one call. Each seam method asks TakeFailure first, with its key argument.
    void FailCall(const std::string& call, plat::DWord error, int times = 1, int skip = 0);
    void FailCallOn(const std::string& call, const std::string& argument, plat::DWord error, int times = 1,
                    int skip = 0);
    // True (and the last error set) when this call must fail.
    bool TakeFailure(const std::string& call, const std::string& argument = {});

    // Handles handed out by the machine are unique across facilities.
    plat::Handle NewHandle() { return nextHandle += 4; }

    // Loads the machine from a folder, or saves it there in readable form.
    void Load(const std::string& folder);
    void Save(const std::string& folder) const;

    MachineFacts facts;

    SimFiles files;
    SimRegistry registry;
    SimServices services;
    SimProcesses processes;
    SimWindows windows;
    SimClock clock;
    SimLibraries libraries;
    SimUi ui;
    SimSystem system;
    SimDevices devices;

private:
    plat::DWord lastError = 0;
    plat::Handle nextHandle = 0x1000;
    struct Failure {
        std::string call;
        std::optional<std::string> argument;  // nullopt: any argument
        plat::DWord error;
        int remaining;
        int skip;
    };
    std::vector<Failure> failures;
};

}  // namespace sim
