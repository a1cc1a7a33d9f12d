// setup-sim: runs the setup program against a simulated Windows PC kept in a
// folder, prints what it did and saves the machine back; or checks a driver
// package folder before it ships.
//
//   setup-sim --check-package DIR
//   setup-sim --machine DIR [--answer N]... [--answer-all N] [--click CONTROL]... [-- ARGUMENTS...]
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/sim/package_tools.h"
#include "shell/package_check.h"
#include "shell/program.h"
#include "shell/trace.h"

namespace {

int Usage() {
    std::cerr
        << "usage: setup-sim --check-package DIR\n"
           "       setup-sim --machine DIR [--answer N]... [--answer-all N] [--click CONTROL]... "
           "[-- ARGUMENTS...]\n"
           "  --check-package DIR  check a driver package folder: one line per problem, exit code 1\n"
           "                       when there is any\n"
           "  --machine DIR   folder of the simulated PC (created when missing)\n"
           "  --answer N      the button pressed in the next message box (1 OK, 2 Cancel, 6 Yes, 7 No)\n"
           "  --answer-all N  the button pressed in every further message box\n"
           "  --click NAME    a click on a control of the window, e.g. InstallButton\n"
           "  --no-save       leave the machine folder as it was\n";
    return 2;
}

// The package folder is read into a simulated PC, where the check reads it
// through the seam as setup would from its own folder.
int CheckPackageFolder(const std::string& folder) {
    constexpr const char* kPackageFolder = "C:\\Package";
    sim::SimPc pc;
    try {
        pc.files.AddHostFolder(folder, kPackageFolder);
    } catch (const std::exception& error) {
        std::cerr << "setup-sim: cannot read the package: " << error.what() << "\n";
        return 2;
    }
    plat::SetOs(&pc);
    setup::PackageCheck check;
    try {
        check = setup::CheckPackage(kPackageFolder);
    } catch (const sim::HarnessFailure& failure) {
        plat::SetOs(nullptr);
        std::cerr << "setup-sim: the check stopped: " << failure.what << "\n";
        return 2;
    }
    plat::SetOs(nullptr);
    for (const setup::PackageProblem& problem : check.problems)
        std::cout << setup::FormatProblem(problem) << "\n";
    if (!check.programsChecked)
        std::cout << "note: " << folder
                  << " holds no setup.exe, so it is checked as a package's sources: its programs and "
                     "libraries were not looked for\n";
    const std::size_t count = check.problems.size();
    std::cout << folder << ": "
              << (count == 0 ? std::string("no problems")
                             : std::to_string(count) + (count == 1 ? " problem" : " problems"))
              << "\n";
    return count == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--check-package")
        return args.size() == 2 ? CheckPackageFolder(args[1]) : Usage();
    std::string machineDir;
    bool save = true;
    auto pc = std::make_unique<sim::SimPc>();
    std::vector<std::string> clicks;
    std::vector<int> answers;
    std::optional<int> answerAll;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw std::runtime_error("missing value after " + arg);
            return args[++i];
        };
        try {
            if (arg == "--") {
                ++i;
                break;
            } else if (arg == "--machine")
                machineDir = value();
            else if (arg == "--answer")
                answers.push_back(std::stoi(value()));
            else if (arg == "--answer-all")
                answerAll = std::stoi(value());
            else if (arg == "--click")
                clicks.push_back(value());
            else if (arg == "--no-save")
                save = false;
            else if (arg == "--help" || arg == "-h")
                return Usage(), 0;
            else
                return Usage();
        } catch (const std::exception& error) {
            std::cerr << "setup-sim: " << error.what() << "\n";
            return 2;
        }
    }
    if (machineDir.empty()) return Usage();
    for (; i < args.size(); ++i) pc->processes.arguments.push_back(args[i]);

    try {
        pc->Load(machineDir);
    } catch (const std::exception& error) {
        std::cerr << "setup-sim: cannot load the machine from " << machineDir << ": " << error.what() << "\n";
        return 2;
    }
    // A machine always has its Windows folders; the package's tools behave as modelled.
    pc->files.AddStandardFolders();
    sim::ModelPackageTools(*pc);
    sim::ModelSystemTools(*pc);
    for (int answer : answers) pc->windows.Answer(answer);
    if (answerAll) pc->windows.AnswerAllWith(*answerAll);
    for (const auto& click : clicks) pc->ui.script.push_back("click:" + click);

    std::cout << "== trace\n";
    setup::SetTraceSink([](const std::string& text) { std::cout << "  " << text << "\n"; });
    plat::SetOs(pc.get());
    int status = 0;
    try {
        setup::RunSetupProgram();
    } catch (const sim::ProcessExit& exit) {
        std::cout << "== process ended with exit code " << exit.exitCode << " at " << pc->clock.now
                  << " ms\n";
    } catch (const sim::HarnessFailure& failure) {
        std::cout << "== stopped: " << failure.what << "\n";
        status = 1;
    }
    setup::SetTraceSink(nullptr);

    std::cout << "== boxes\n";
    for (const auto& box : pc->windows.boxes) {
        std::cout << "  " << (box.kind == sim::BoxKind::InfoBox ? "info" : "message") << " box, caption \""
                  << box.caption << "\", flags 0x" << std::hex << box.flags << std::dec << ", answered "
                  << box.answer << ":\n";
        std::string text = box.text;
        for (size_t pos = 0; (pos = text.find('\n', pos)) != std::string::npos; pos += 5)
            text.replace(pos, 1, "\n    ");
        std::cout << "    " << text << "\n";
    }
    std::cout << "== command lines\n";
    for (const auto& launch : pc->processes.launches)
        std::cout << "  " << launch.commandLine << "  [" << (launch.created ? launch.program : "not started")
                  << (launch.waited ? ", waited" : "") << ", exit code " << launch.exitCode << "]\n";
    std::cout << "== window: " << (pc->ui.shown ? "shown" : "not shown") << ", caption \"" << pc->ui.caption
              << "\"\n";

    if (save) {
        try {
            pc->Save(machineDir);
        } catch (const std::exception& error) {
            std::cerr << "setup-sim: cannot save the machine to " << machineDir << ": " << error.what()
                      << "\n";
            return 2;
        }
    }
    plat::SetOs(nullptr);
    return status;
}
