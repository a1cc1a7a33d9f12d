// The conformance scenarios on the simulated PC, which must give Windows'
// documented answer everywhere (known Wine departures included).
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "conformance/scenario.h"
#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace {

constexpr const char* kChild = "C:\\Conformance\\child.exe";
constexpr const char* kChildImage = "MZ conformance child";

// Windows 7 Service Pack 1, 64-bit, with the folders and keys of a fresh
// installation that the scenarios rely on, and the fixture's child program.
void BuildReferenceMachine(sim::SimPc& pc) {
    pc.facts = sim::MachineFacts{};
    pc.facts.userName = "Tester";
    pc.processes.ownPath = "C:\\Conformance\\conformance.exe";
    pc.files.AddStandardFolders();
    pc.files.AddFolder(pc.facts.windowsDir + "\\System32\\drivers\\etc");
    pc.files.AddFile(pc.processes.ownPath, "MZ conformance");
    pc.files.SetCurrentDirectoryA("C:\\Conformance");
    pc.registry.SetString("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                          "C:\\Program Files");
    pc.registry.SetString("HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
                          "ProgramFilesDir", "C:\\Program Files (x86)");
    pc.registry.CreateKey("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager");
    pc.registry.CreateKey("HKCU\\Software");

    // "child.exe exit N [sleep MS]": exit code N after MS milliseconds; else 99.
    struct Arguments {
        bool valid = false;
        plat::DWord code = 99, sleep = 0;
    };
    auto parse = [](const sim::Launch& launch) {
        std::string line = launch.commandLine;
        // The arguments follow the program's name, quoted or up to the blank
        // that ended the name that was found.
        std::string rest;
        if (!line.empty() && line[0] == '"') {
            rest = line.substr(line.find('"', 1) + 1);
        } else {
            std::string name = launch.program.substr(launch.program.find_last_of('\\') + 1);
            std::string stem = sim::UpperName(name.substr(0, name.size() - 4));
            size_t end = sim::UpperName(line).find(stem) + stem.size();
            if (sim::UpperName(line.substr(end, 4)) == ".EXE") end += 4;
            rest = line.substr(end);
        }
        std::istringstream in(rest);
        Arguments args;
        std::string word, more;
        if (!(in >> word) || word != "exit" || !(in >> args.code)) return Arguments{};
        if (in >> word) {
            if (word != "sleep" || !(in >> args.sleep)) return Arguments{};
        }
        if (in >> more) return Arguments{};
        args.valid = true;
        return args;
    };
    sim::ProgramModel child;
    child.run = [parse](sim::SimPc&, const sim::Launch& launch) -> plat::DWord {
        Arguments args = parse(launch);
        return args.valid ? args.code : 99;
    };
    child.runtimeOf = [parse](const sim::Launch& launch) { return parse(launch).sleep; };
    pc.files.AddFile(kChild, kChildImage);
    pc.processes.ModelByImage(kChildImage, child);
}

class SimFixture : public conformance::Fixture {
public:
    explicit SimFixture(sim::SimPc& pc) : pc_(pc) {}

    void AddService(const std::string& name, ServiceKind kind, const std::string& mode) override {
        sim::SimService& service = pc_.services.Add(name);
        if (kind == ServiceKind::KernelDriver) {
            service.type = sim::SimService::kKernelDriver;
            service.imagePath = "system32\\drivers\\" + name + ".sys";
            return;
        }
        service.imagePath = std::string("\"") + kChild + "\" service " + mode;
        if (mode == "slow-start")
            service.afterStart = {plat::kServiceStartPending, plat::kServiceStartPending,
                                  plat::kServiceRunning};
    }
    void AddWindow(const std::string& className, const std::string& title) override {
        pc_.windows.Add(className, title);
    }
    void HoldFile(const std::string& path, bool allowRead) override { pc_.files.LockFile(path, allowRead); }
    bool AddJunction(const std::string& path, const std::string& target) override {
        pc_.files.AddJunction(path, target);
        return true;
    }

    void AddRootDevice(const std::string& hardwareId) override {
        sim::SimDevice device;
        int number = 0;
        do {
            device.instanceId =
                "ROOT\\CONFORMANCECHECK\\" + std::string(number < 10 ? "000" : "00") + std::to_string(number);
            ++number;
        } while (pc_.devices.Find(device.instanceId));
        device.hardwareIds = {hardwareId};
        device.className = "System";
        device.classGuid = {0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
        pc_.devices.Add(device);
    }

private:
    sim::SimPc& pc_;
};

class SimConformance : public ::testing::TestWithParam<conformance::Scenario> {};

TEST_P(SimConformance, AnswersAsWindowsDocuments) {
    const conformance::Scenario& scenario = GetParam();
    sim::SimPc pc;
    plat::SetOs(&pc);
    BuildReferenceMachine(pc);
    SimFixture fixture(pc);
    conformance::Backend backend;
    backend.name = "simulated PC";
    backend.scratch = "C:\\Conformance\\Scratch";
    backend.child = kChild;
    backend.unique = "Sim1";
    backend.fixture = &fixture;
    pc.files.AddFolder(backend.scratch);

    conformance::Check check(backend);
    try {
        scenario.run(check, backend);
    } catch (const sim::HarnessFailure& failure) {
        ADD_FAILURE() << "harness failure: " << failure.what;
    }
    plat::SetOs(nullptr);
    for (const auto& result : check.Results()) {
        if (result.outcome == conformance::Outcome::Skipped) GTEST_SKIP() << result.detail;
        EXPECT_EQ(result.outcome, conformance::Outcome::Passed) << result.what << ": " << result.detail;
    }
}

std::string ScenarioName(const ::testing::TestParamInfo<conformance::Scenario>& info) {
    std::string name = std::string(info.param.facility) + "_" + info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Seam, SimConformance, ::testing::ValuesIn(conformance::Scenarios()), ScenarioName);

}  // namespace
