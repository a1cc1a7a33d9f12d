// A simulated Windows PC: a plain-data model of one machine that implements
// the seam with the documented behaviour of each call, including its failures.
#pragma once

#include <cstdint>
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
#include "platform/sim/shell.h"
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
    // The service pack's number, 0 for none.
    int ServicePackNumber() const;

    // Version as the version query reports it to the program.
    plat::DWord major = 6;
    plat::DWord minor = 1;
    plat::DWord build = 7601;
    std::string servicePack = "Service Pack 1";  // as the version query reports it; "" for none
    bool win9x = false;                          // Windows 95/98/Me
    bool is64Bit = true;                         // 64-bit Windows; the program is always a 32-bit process
    unsigned ansiCodePage = 1252;                // the ANSI code page: 1252 (Western) or 1251 (Cyrillic)
    std::string locale = "ENU";                  // abbreviated language name of the system default locale
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
    // A run whose clock passes this is stopped with a HarnessFailure (0: no limit).
    std::uint64_t limitMs = 0;
    // Moves the clock on (a wait that ends later); checks the limit.
    void Advance(std::uint64_t milliseconds);
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
    plat::ShellApi& Shell() override { return shell; }
    plat::DWord GetLastError() override { return lastError; }

    void SetLastError(plat::DWord error) { lastError = error; }
    bool IsAdministrator() const { return facts.privilege == 2; }

    // Failure injection: after `skip` matching calls have succeeded, the next
    // `times` calls of the named seam method (e.g. "RegOpenKeyExA") fail with
    // `error` (times -1: every call). FailCallOn narrows the failure to calls
    // whose key argument (a path, key or value name, service name, module
    // name; compared without regard to case) is `argument`. Failures add up:
    // several may be set for one call, and a call fails when one of them is
    // due. Each seam method asks TakeFailure first, with its key argument;
    // `skip` and `times` count only the program's calls, never the simulated
    // PC's own use of a seam method (see OwnUse).
    // Not failable: what cannot fail on Windows (Sleep, GetTickCount, the
    // pseudo-handles of GetCurrentProcess and GetCurrentThread, ExitProcess,
    // CoTaskMemFree, CoUninitialize, IUnknown::Release, HidD_GetHidGuid and
    // GetLocalTime, which return nothing)
    // and the toolkit's own queries and message processing (MainWindow,
    // ApplicationTitle, ProcessMessages).
    void FailCall(const std::string& call, plat::DWord error, int times = 1, int skip = 0);
    void FailCallOn(const std::string& call, const std::string& argument, plat::DWord error, int times = 1,
                    int skip = 0);
    // True (and the last error set) when this call must fail. It also records
    // the call and enforces the run limits below.
    bool TakeFailure(const std::string& call, const std::string& argument = {});
    // The error Windows typically gives when the named call fails (for
    // example ERROR_ACCESS_DENIED for a registry or file call); 0 for a name
    // that is not a seam call of this machine.
    static plat::DWord UsualError(const std::string& call);

    // The simulated PC's own use of its seam methods while one lives: the
    // lookups a call makes internally (the program search of CreateProcessA,
    // the library search of LoadLibraryA) and the programs and libraries
    // modelled on the machine. Such calls never fail by injection, are not
    // recorded and do not count towards `skip`.
    class OwnUse {
    public:
        explicit OwnUse(SimPc& pc) : pc_(pc) { ++pc_.ownUse_; }
        ~OwnUse() { --pc_.ownUse_; }
        OwnUse(const OwnUse&) = delete;
        OwnUse& operator=(const OwnUse&) = delete;

    private:
        SimPc& pc_;
    };

    // The program's seam calls in order, while recording is on.
    struct SeamCall {
        std::string call;
        std::string argument;
        bool operator==(const SeamCall&) const = default;
    };
    bool recordCalls = false;
    std::vector<SeamCall> recordedCalls;

    // Bounds of one run: a program that makes more seam calls than this is
    // stopped with a HarnessFailure instead of running on (0: no limit); see
    // also SimClock::limitMs.
    std::uint64_t callLimit = 0;
    std::uint64_t programCalls = 0;  // the program's seam calls so far

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
    SimShell shell;

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
    int ownUse_ = 0;
};

}  // namespace sim
