// The conformance suite of the seam: scenarios that call the seam only and
// compare each result, in a neutral form, with the answer Windows documents.
// The same scenarios run against the simulated PC (host tests) and against
// the Win32 backend (under Wine in CI), so a green routine test on the
// simulated PC means the same on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"

namespace conformance {

// What the backend must set up for a scenario that the seam cannot make
// itself. Each backend implements it with its own means.
class Fixture {
public:
    virtual ~Fixture() = default;
    // A service of the given kind, stopped. Own-process services run the
    // fixture's service program in the given mode: "normal" (starts at once,
    // accepts stop) or "slow-start" (stays start-pending for a few seconds,
    // accepting no control, then runs and accepts stop). A kernel-driver
    // service has an image file that does not exist.
    enum class ServiceKind { OwnProcess, KernelDriver };
    virtual void AddService(const std::string& name, ServiceKind kind, const std::string& mode) = 0;
    // A top-level window of this class and title, owned by another thread.
    virtual void AddWindow(const std::string& className, const std::string& title) = 0;
    // Opens `path` the way another program holding it does: sharing reads
    // only (allowRead) or nothing.
    virtual void HoldFile(const std::string& path, bool allowRead) = 0;
    // A junction (a folder reparse point) at `path`, a new name, leading to
    // the folder `target`; false where the file system cannot make one.
    virtual bool AddJunction(const std::string& path, const std::string& target) = 0;
    // A root-enumerated device of the System class with this one hardware ID,
    // registered as an installation program creates one before it installs a
    // driver; removed with the scenario's end when the scenario left it.
    virtual void AddRootDevice(const std::string& hardwareId) = 0;
};

struct Backend {
    std::string name;   // for the report
    bool wine = false;  // the Win32 backend running under Wine
    // A 32-bit process on 64-bit Windows, the program's own case: file-system
    // and registry redirection apply. False for the x64 build under Wine.
    bool wow64 = true;
    // An empty folder of this scenario's own (no trailing backslash).
    std::string scratch;
    // The child program: `"<child>" exit N [sleep MS]` ends with exit code N
    // after MS milliseconds; any other arguments end with exit code 99.
    std::string child;
    // Names unique to this run, for services and windows.
    std::string unique;
    Fixture* fixture = nullptr;
};

enum class Outcome { Passed, Failed, KnownWineDeparture, Skipped };

struct Result {
    Outcome outcome;
    std::string what;
    std::string detail;  // the mismatch, or the reason of a departure or skip
};

// Collects the results of one scenario.
class Check {
public:
    explicit Check(const Backend& backend) : backend_(backend) {}

    // One result compared with what Windows documents for it.
    void Expect(const std::string& what, const std::string& actual, const std::string& documented);
    void Expect(const std::string& what, std::int64_t actual, std::int64_t documented);
    void ExpectTrue(const std::string& what, bool actual) { Expect(what, actual ? "true" : "false", "true"); }
    // The next expectation is one where Wine is known to answer otherwise than
    // Windows: on Wine a mismatch is reported as a known departure, with this
    // reason; the simulated PC must still give Windows' answer.
    Check& WineDeparts(const std::string& reason);
    // The rest of the scenario cannot run on this backend, for this reason.
    void Skip(const std::string& reason);
    bool Skipped() const { return skipped_; }

    const std::vector<Result>& Results() const { return results_; }

private:
    const Backend& backend_;
    std::string departure_;
    bool skipped_ = false;
    std::vector<Result> results_;
};

using ScenarioFunction = void (*)(Check&, const Backend&);

struct Scenario {
    const char* facility;
    const char* name;
    ScenarioFunction run;
};

std::vector<Scenario>& Scenarios();

struct Registration {
    Registration(const char* facility, const char* name, ScenarioFunction run);
};

// Neutral forms of results.
std::string Hex(std::uint32_t value);
std::string Upper(std::string text);
std::string Bytes(const std::vector<std::uint8_t>& data);  // "61 62 00"

// The last error of the last seam call.
inline plat::DWord LastError() {
    return plat::os().GetLastError();
}

}  // namespace conformance

#define CONFORMANCE_CONCAT2(a, b) a##b
#define CONFORMANCE_CONCAT(a, b) CONFORMANCE_CONCAT2(a, b)

// SCENARIO(facility, "name") { ... check.Expect(...); ... }
#define SCENARIO(facility, name)                                                                \
    static void CONFORMANCE_CONCAT(Scenario_, __LINE__)(::conformance::Check & check,           \
                                                        const ::conformance::Backend& backend); \
    static const ::conformance::Registration CONFORMANCE_CONCAT(registration_, __LINE__)(       \
        facility, name, &CONFORMANCE_CONCAT(Scenario_, __LINE__));                              \
    static void CONFORMANCE_CONCAT(Scenario_, __LINE__)(                                        \
        [[maybe_unused]] ::conformance::Check & check,                                          \
        [[maybe_unused]] const ::conformance::Backend& backend)
