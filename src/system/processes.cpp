#include "system/processes.h"

#include "platform/os.h"
#include "shell/trace.h"

namespace setup {
namespace {

constexpr plat::DWord kLaunchFlags = plat::kCreateNewProcessGroup | plat::kNormalPriorityClass;  // 0x220
constexpr plat::DWord kStartupRecordSize = 68;

struct Outcome {
    bool created;
    plat::DWord exitCode;
};

Outcome Launch(const std::string& commandLine, std::uint16_t showWindow, bool wait) {
    plat::Os& os = plat::os();
    plat::ProcessApi& processes = os.Processes();
    plat::StartupInfo startup;
    startup.cb = kStartupRecordSize;
    startup.flags = plat::kStartfUseShowWindow;
    startup.showWindow = showWindow;
    plat::ProcessInformation info;
    bool created = processes.CreateProcessA("", commandLine, 0, kLaunchFlags, "", startup, &info) != 0;
    plat::DWord exitCode = 0;
    if (created && wait) {
        while (processes.WaitForSingleObject(info.process, 100) == plat::kWaitTimeout)
            os.Ui().ProcessMessages();
        processes.GetExitCodeProcess(info.process, &exitCode);
    }
    if (created) {
        processes.CloseHandle(info.process);
        processes.CloseHandle(info.thread);
    }
    return {created, exitCode};
}

}  // namespace

bool RunCommand(const std::string& commandLine, std::uint16_t showWindow, bool wait) {
    LogLine("@1" + commandLine);
    StepCode = 5;
    bool created = Launch(commandLine, showWindow, wait).created;
    LogLine(created ? "--OK!" : "--Failed!");
    return created;
}

std::int32_t RunCommandExitCode(const std::string& commandLine, std::uint16_t showWindow, bool wait) {
    LogLine("@2" + commandLine);
    StepCode = 6;
    Outcome outcome = Launch(commandLine, showWindow, wait);
    std::int32_t result = outcome.created && wait ? static_cast<std::int32_t>(outcome.exitCode) : 0;
    LogLine("--RC=" + std::to_string(result));
    return result;
}

std::string CommandProgram(const std::string& programPath) {
    if (programPath.find(' ') == std::string::npos) return programPath;
    return "\"" + programPath + "\"";
}

}  // namespace setup
