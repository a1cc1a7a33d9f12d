// The fault sweep: each whole run of the scenario list is made once with the
// program's seam calls recorded, then once more for every call occurrence,
// with that one occurrence failed as Windows fails the call. Every run must
// end as the program's behaviour says: it goes on, stops with one of its
// messages, or ends in the fatal-error report; never with a crash, a hang (each
// run is bounded by its calls and its simulated clock), a harness error or an
// exit code other than 0. Across all runs a "PcaSvc" that startup stopped runs
// again at the end, and other programs' compatibility entries stay.
//
// To add a whole run, add a Scenario to kScenarios: its arguments, the user's
// clicks in the window, and what it changes on the sample machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "case_name.h"
#include "config/ini_text.h"
#include "config/ui_texts.h"
#include "e2e/sample_machine.h"
#include "platform/sim/machine.h"
#include "shell/program.h"
#include "shell/trace.h"
#include "utf16_file.h"

namespace {

struct Scenario {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> clicks;           // in the window, in order
    std::function<void(sim::SimPc&)> prepare;  // changes to the sample machine; may be empty
    std::vector<std::string> textFiles;        // language files whose texts the run may show
};

// The installed copy: setup.exe beside the setup.ini the install wrote.
constexpr const char* kInstallFolder = "C:\\Program Files (x86)\\ExampleTouch";

void Installed(sim::SimPc& pc) {
    const std::string folder = kInstallFolder;
    for (const char* file : {"setup.exe", "setup.dll", "pnpreg.exe"})
        pc.files.AddFile(folder + "\\" + file, "MZ");
    pc.files.AddFile(folder + "\\setup.ini",
                     "[system]\r\nversion=3.25\r\nrelease=240610\r\ntargetdir=ExampleTouch\r\nproduct=0\r\n"
                     "[INFData]\r\nmanufacturer=Example Touch\r\nvidpid=VID_0D7A&PID_0301\r\n"
                     "[SetupText]\r\nText1=Touch screen setup V!@MAJOR.!@MINOR\r\n"
                     "Text15=No manufacturer.\r\nText21=Administrators only.\r\n");
    pc.processes.ownPath = folder + "\\setup.exe";
    pc.files.SetCurrentDirectoryA(folder);
}

// A USB controller of the sample package is plugged in, and the package
// tools the sample package lacks are there.
void ConnectedController(sim::SimPc& pc) {
    pc.devices.AddUsbController("VID_0D7A&PID_0301");
    for (const char* tool : {"setdev64.exe", "touchcfg_xp.exe"})
        pc.files.AddFile(std::string(e2e::kPackageFolder) + "\\" + tool, "MZ");
}

// "PcaSvc" takes longer to stop than startup waits for it: eleven pending polls, then stopped.
void SlowPca(sim::SimPc& pc) {
    ConnectedController(pc);
    sim::SimService& pca = *pc.services.Find("PcaSvc");
    pca.afterStop.assign(11, plat::kServiceStopPending);
    pca.afterStop.push_back(plat::kServiceStopped);
}

// A German Windows with the package's German language pack saved as UTF-16.
void UnicodeGermanPack(sim::SimPc& pc) {
    pc.facts.locale = "DEU";
    const std::string pack = std::string(e2e::kPackageFolder) + "\\language\\language.DEU";
    std::u16string text;
    for (char c : pc.files.Contents(pack))
        text += static_cast<char16_t>(static_cast<unsigned char>(c));  // Latin-1
    pc.files.AddFile(pack, test_support::Utf16LeFile(text));
}

const std::string kLanguagePack = std::string(e2e::kPackageFolder) + "\\language\\language.ENU";
const std::string kInstalledIni = std::string(kInstallFolder) + "\\setup.ini";

const Scenario kScenarios[] = {
    {"PackageWindowInstall", {}, {"InstallButton"}, ConnectedController, {kLanguagePack}},
    {"InstallUsb", {"-i", "USB"}, {}, ConnectedController, {kLanguagePack}},
    {"InstallSerial", {"-i", "232"}, {}, nullptr, {kLanguagePack}},
    {"Uninstall", {"-u"}, {}, nullptr, {kLanguagePack}},
    {"InstalledMode", {}, {}, Installed, {kInstalledIni}},
    {"SlowStoppingPcaSvc", {"-i", "USB"}, {}, SlowPca, {kLanguagePack}},
    {"UnicodeLanguagePack",
     {"-i", "232"},
     {},
     UnicodeGermanPack,
     // Without the pack the texts of the package configuration are shown.
     {std::string(e2e::kPackageFolder) + "\\language\\language.DEU",
      std::string(e2e::kPackageFolder) + "\\default.ini"}},
};

// How a run ended.
enum class Ending { GoesOn, Stopped, FatalReport };

const char* Name(Ending ending) {
    switch (ending) {
        case Ending::GoesOn:
            return "goes on";
        case Ending::Stopped:
            return "stops with its message";
        case Ending::FatalReport:
            return "fatal-error report";
    }
    return "";
}

// Messages after which the program gives up, and those after which it goes on.
const std::set<std::string>& FixedStopMessages() {
    static const std::set<std::string> messages = {
        "Please reinstall!",
        "This program no longer support Windows version lower than XP! Please contact your distributor for "
        "support!",
        "SETUP.DLL not found!",
        "ERROR : Can't retrieve setup configuration file#1! Setup aborted!",
        "ERROR : Can't retrieve setup configuration file#2! Setup aborted!",
        "Please specify product to install !",
        config::BuiltInTexts()[14],
        config::BuiltInTexts()[20],
    };
    return messages;
}
const std::set<std::string> kGoOnMessages = {"Internal error for 64 bits setup!"};
// Texts of the language files after which the run goes on (the plug-in
// prompt, answered after plugging in; the RS-232 install's note before its
// rescan), and those after which it ends (Text15 and Text21 of startup, the
// package and earlier-install stops, the endings and the restart offers).
const std::vector<const char*> kGoOnTexts = {"Text2", "Text20"};
const std::vector<const char*> kStopTexts = {"Text3",  "Text4",  "Text9",  "Text15",
                                             "Text16", "Text17", "Text19", "Text21"};

// Faults of the program that the sweep finds and that are not mended yet:
// reported with their count instead of failing the sweep.
const std::set<std::string> kKnownFaults = {};

struct RunResult {
    std::optional<unsigned> exitCode;
    std::string harnessFailure;  // a hang, an unanswered box, a misused seam
    std::vector<sim::BoxRecord> boxes;
    std::vector<sim::SimPc::SeamCall> calls;  // recorded in the run without failures
    plat::DWord pcaState = 0;
    std::vector<std::string> layers;
};

// One whole run on a fresh sample machine, with at most one call occurrence failed.
RunResult RunScenario(const Scenario& scenario, const std::optional<sim::SimPc::SeamCall>& failing,
                      int skip) {
    sim::SimPc pc;
    e2e::BuildSampleMachine(pc);
    if (scenario.prepare) scenario.prepare(pc);
    pc.processes.arguments = scenario.arguments;
    for (const auto& click : scenario.clicks) pc.ui.script.push_back("click:" + click);
    pc.windows.AnswerAllWithFirstButton();
    pc.programCalls = 0;
    pc.callLimit = 20000;
    pc.clock.limitMs = 30 * 60 * 1000;
    if (failing) {
        pc.FailCallOn(failing->call, failing->argument, sim::SimPc::UsualError(failing->call), 1, skip);
    } else {
        pc.recordCalls = true;
    }

    RunResult run;
    plat::SetOs(&pc);
    setup::StepCode = 0;
    try {
        setup::RunSetupProgram();
    } catch (const sim::ProcessExit& exit) {
        run.exitCode = exit.exitCode;
    } catch (const sim::HarnessFailure& failure) {
        run.harnessFailure = failure.what;
    } catch (const std::exception& error) {
        run.harnessFailure = std::string("an error escaped the program: ") + error.what();
    }
    plat::SetOs(nullptr);

    run.boxes = pc.windows.boxes;
    run.calls = pc.recordedCalls;
    const sim::SimService& pca = *pc.services.Find("PcaSvc");
    run.pcaState = pca.state;
    run.layers = e2e::LayerEntries(pc);
    return run;
}

bool IsFatalReport(const sim::BoxRecord& box) {
    if (box.caption != "Fatal error !!!") return false;
    const std::string head =
        "This program can't continue to complete the task !!!\nPlease report below messages to support "
        "center\nSOURCE=";
    if (box.text.rfind(head, 0) != 0) return false;
    const std::size_t line = box.text.find("\nERROR MSG=", head.size());
    if (line == std::string::npos || line == head.size()) return false;
    const std::string code = box.text.substr(head.size(), line - head.size());
    return code.find_first_not_of("-0123456789") == std::string::npos;
}

struct Figures {
    int runs = 0;
    std::map<Ending, int> endings;
    std::map<std::string, int> knownFaults;
};

// The figures of all scenarios, printed when the test program ends.
class SweepTotals : public ::testing::Environment {
public:
    void TearDown() override {
        if (totals.runs == 0) return;
        std::cout << "fault sweep total: " << scenarios << " scenarios, " << totals.runs << " runs";
        for (Ending ending : {Ending::GoesOn, Ending::Stopped, Ending::FatalReport})
            std::cout << ", " << Name(ending) << " " << totals.endings[ending];
        std::cout << std::endl;
    }
    void Add(const Figures& figures) {
        ++scenarios;
        totals.runs += figures.runs;
        for (const auto& [ending, count] : figures.endings) totals.endings[ending] += count;
    }

private:
    int scenarios = 0;
    Figures totals;
};

SweepTotals* const kTotals = static_cast<SweepTotals*>(::testing::AddGlobalTestEnvironment(new SweepTotals));

class FaultSweep : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override { setup::SetTraceSink(nullptr); }

    // The texts that may stop this scenario's runs, and those after which
    // it goes on (into `goOn`).
    std::set<std::string> StopMessages(std::set<std::string>& goOn) {
        std::set<std::string> messages = FixedStopMessages();
        goOn = kGoOnMessages;
        sim::SimPc pc;
        e2e::BuildSampleMachine(pc);
        if (GetParam().prepare) GetParam().prepare(pc);
        for (const auto& file : GetParam().textFiles) {
            std::string contents = pc.files.Contents(file);
            if (auto wide = config::Utf16LittleEndianText(contents)) {
                contents.clear();
                for (char16_t c : *wide) contents += static_cast<char>(c);  // the texts are Latin-1
            }
            for (const char* key : kStopTexts)
                if (auto text = config::FindIniValue(contents, "SetupText", key)) messages.insert(*text);
            for (const char* key : kGoOnTexts)
                if (auto text = config::FindIniValue(contents, "SetupText", key)) goOn.insert(*text);
        }
        return messages;
    }

    void Fault(const std::string& fault, const std::string& what, Figures& figures) {
        if (kKnownFaults.count(fault))
            ++figures.knownFaults[fault];
        else
            ADD_FAILURE() << what << ": " << fault;
    }

    // Checks one run; returns how it ended, or nullopt with a failure added.
    std::optional<Ending> Judge(const RunResult& run, const RunResult& baseline,
                                const sim::SimPc::SeamCall& failed, const std::string& what, bool inRestart,
                                Figures& figures) {
        if (!run.harnessFailure.empty()) {
            ADD_FAILURE() << what << ": " << run.harnessFailure;
            return std::nullopt;
        }
        if (run.exitCode != 0u) {
            ADD_FAILURE() << what << ": the process did not end with exit code 0";
            return std::nullopt;
        }
        if (std::find(run.layers.begin(), run.layers.end(), e2e::kOtherProgramLayer) == run.layers.end())
            Fault("another program's compatibility entry removed", what, figures);
        // Unless the failed call was one of the exit routine's own, a PcaSvc
        // that startup stopped has been started again.
        if (!inRestart && run.pcaState != plat::kServiceRunning) Fault("PcaSvc left stopped", what, figures);

        Ending ending = Ending::GoesOn;
        for (std::size_t i = 0; i < run.boxes.size(); ++i) {
            const sim::BoxRecord& box = run.boxes[i];
            if (IsFatalReport(box)) {
                if (i + 1 != run.boxes.size())
                    ADD_FAILURE() << what << ": a box followed the fatal-error report";
                ending = Ending::FatalReport;
                break;
            }
            bool inBaseline = std::any_of(baseline.boxes.begin(), baseline.boxes.end(),
                                          [&](const sim::BoxRecord& b) { return b.text == box.text; });
            if (inBaseline || goOnMessages_.count(box.text)) continue;
            if (!stopMessages_.count(box.text)) {
                ADD_FAILURE() << what << ": unexpected box \"" << box.text << "\" (caption \"" << box.caption
                              << "\")";
                return std::nullopt;
            }
            if (i + 1 != run.boxes.size())
                ADD_FAILURE() << what << ": a box followed the stop \"" << box.text << "\"";
            ending = Ending::Stopped;
            break;
        }
        // A configuration file that is there but cannot be read ends the run
        // in the fatal-error report, which names the file.
        if (failed.call == "ReadWholeFile" &&
            (ending != Ending::FatalReport ||
             run.boxes.back().text.find(failed.argument) == std::string::npos))
            Fault("an unreadable configuration file read as empty", what, figures);
        return ending;
    }

    std::set<std::string> stopMessages_;
    std::set<std::string> goOnMessages_;
};

TEST_P(FaultSweep, EveryFailedCallEndsTheRunAsDescribed) {
    const Scenario& scenario = GetParam();
    stopMessages_ = StopMessages(goOnMessages_);
    Figures figures;

    const RunResult baseline = RunScenario(scenario, std::nullopt, 0);
    ASSERT_TRUE(baseline.harnessFailure.empty()) << baseline.harnessFailure;
    ASSERT_EQ(baseline.exitCode, 0u);
    ASSERT_FALSE(baseline.calls.empty());
    if (baseline.pcaState != plat::kServiceRunning)
        Fault("PcaSvc left stopped", std::string(scenario.name) + " without failures", figures);

    // The exit routine's restart of PcaSvc: from the last manager opened before PcaSvc is opened.
    std::size_t restart = baseline.calls.size();
    for (std::size_t i = baseline.calls.size(); i-- > 0;) {
        if (baseline.calls[i].call == "OpenServiceA" && baseline.calls[i].argument == "PcaSvc") {
            restart = i;
            while (restart > 0 && baseline.calls[restart].call != "OpenSCManagerA") --restart;
            break;
        }
    }

    std::map<std::pair<std::string, std::string>, int> seen;
    for (std::size_t i = 0; i < baseline.calls.size(); ++i) {
        const sim::SimPc::SeamCall& call = baseline.calls[i];
        const int occurrence = seen[{call.call, call.argument}]++;
        const std::string what = std::string(scenario.name) + ", call " + std::to_string(i + 1) + " " +
                                 call.call + "(" + call.argument + ") failed";
        if (sim::SimPc::UsualError(call.call) == 0) {
            ADD_FAILURE() << what << ": no usual error for " << call.call << "; add it to SimPc::UsualError";
            continue;
        }
        const RunResult run = RunScenario(scenario, call, occurrence);
        ++figures.runs;
        if (auto ending = Judge(run, baseline, call, what, i >= restart, figures)) ++figures.endings[*ending];
    }

    std::ostringstream out;
    out << "fault sweep " << scenario.name << ": " << baseline.calls.size() << " calls, " << figures.runs
        << " runs";
    for (Ending ending : {Ending::GoesOn, Ending::Stopped, Ending::FatalReport})
        out << ", " << Name(ending) << " " << figures.endings[ending];
    for (const auto& [fault, count] : figures.knownFaults)
        out << "; known fault, not mended: " << fault << " " << count;
    std::cout << out.str() << std::endl;
    kTotals->Add(figures);
    RecordProperty("figures", out.str());
}

INSTANTIATE_TEST_SUITE_P(Runs, FaultSweep, ::testing::ValuesIn(kScenarios), test_support::CaseName());

}  // namespace
