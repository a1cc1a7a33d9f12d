// Processes: command-line resolution, the current folder, exit codes and waits.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr plat::DWord kErrorDirectory = 267;
constexpr plat::DWord kErrorBadExeFormat = 193;

plat::ProcessApi& Processes() {
    return plat::os().Processes();
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

struct Started {
    bool ok = false;
    plat::DWord error = 0;
    plat::ProcessInformation info;
};

Started Start(const std::string& commandLine, const std::string& folder = "") {
    plat::StartupInfo startup;
    startup.cb = 68;
    startup.flags = plat::kStartfUseShowWindow;
    startup.showWindow = plat::kSwHide;
    Started started;
    started.ok = Processes().CreateProcessA("", commandLine, 0, plat::kNormalPriorityClass, folder, startup,
                                            &started.info) != 0;
    started.error = started.ok ? 0 : LastError();
    return started;
}

// Waits for the process and returns its exit code; closes its handles.
std::int64_t Finish(const Started& started) {
    if (!started.ok) return -1;
    Processes().WaitForSingleObject(started.info.process, 0xFFFFFFFFu);
    plat::DWord code = 0;
    if (!Processes().GetExitCodeProcess(started.info.process, &code)) code = 0xFFFFFFFFu;
    Processes().CloseHandle(started.info.thread);
    Processes().CloseHandle(started.info.process);
    return code;
}

std::string StartResult(const Started& started) {
    return started.ok ? "TRUE" : "FALSE, error " + std::to_string(started.error);
}

bool CopyChild(Check& check, const Backend& backend, const std::string& target) {
    bool ok = plat::os().Files().CopyFileA(backend.child, target, 0) != 0;
    check.ExpectTrue("copy the child program to " + target, ok);
    return ok;
}

}  // namespace

SCENARIO("processes", "exit codes") {
    for (plat::DWord code : {0u, 3u, 1603u, 3010u}) {
        Started started = Start(Quoted(backend.child) + " exit " + std::to_string(code));
        check.Expect("start", StartResult(started), "TRUE");
        check.Expect("exit code " + std::to_string(code), Finish(started), code);
    }
}

SCENARIO("processes", "waits and a running process") {
    Started started = Start(Quoted(backend.child) + " exit 5 sleep 3000");
    check.Expect("start", StartResult(started), "TRUE");
    if (!started.ok) return;
    check.Expect("wait 0 ms on a running process",
                 Hex(Processes().WaitForSingleObject(started.info.process, 0)), Hex(plat::kWaitTimeout));
    plat::DWord code = 0;
    check.Expect("exit code while running",
                 BoolResult(Processes().GetExitCodeProcess(started.info.process, &code)), "TRUE");
    check.Expect("still active", code, plat::kStillActive);
    check.Expect("wait until it ends",
                 Hex(Processes().WaitForSingleObject(started.info.process, 0xFFFFFFFFu)),
                 Hex(plat::kWaitObject0));
    check.Expect("wait on an ended process", Hex(Processes().WaitForSingleObject(started.info.process, 0)),
                 Hex(plat::kWaitObject0));
    check.Expect("exit code", Finish(started), 5);
}

SCENARIO("processes", "a missing program") {
    check.Expect("quoted path", StartResult(Start(Quoted(InScratch(backend, "none.exe")))), "FALSE, error 2");
    check.Expect("bare name on no search path", StartResult(Start("conformance-none-" + backend.unique)),
                 "FALSE, error 2");
}

SCENARIO("processes", "a current folder that does not exist") {
    Started started = Start(Quoted(backend.child) + " exit 0", InScratch(backend, "none"));
    check.Expect("start", StartResult(started), "FALSE, error " + std::to_string(kErrorDirectory));
    Finish(started);
}

SCENARIO("processes", "a file that is not a program") {
    std::string path = InScratch(backend, "notes.exe");
    plat::os().Files().WriteWholeFile(path, "just text, not an executable image\r\n");
    Started started = Start(Quoted(path));
    check.Expect("start", StartResult(started), "FALSE, error " + std::to_string(kErrorBadExeFormat));
    Finish(started);
}

SCENARIO("processes", "an unquoted path with a blank") {
    // "<scratch>\prog x.exe exit 7" unquoted: the shortest prefix that names
    // a program wins, so "prog.exe" runs with "x.exe exit 7" as its arguments.
    std::string longName = InScratch(backend, "prog x.exe");
    std::string shortName = InScratch(backend, "prog.exe");
    if (!CopyChild(check, backend, longName)) return;
    check.Expect("only the long name exists", Finish(Start(longName + " exit 7")), 7);
    if (!CopyChild(check, backend, shortName)) return;
    check.Expect("the short name comes first", Finish(Start(longName + " exit 7")), 99);
    check.Expect("quoted, the long name runs", Finish(Start(Quoted(longName) + " exit 7")), 7);
}

SCENARIO("processes", "a bare name is found in the current folder") {
    std::string name = "conf-" + backend.unique + ".exe";
    if (!CopyChild(check, backend, InScratch(backend, name))) return;
    std::string saved;
    plat::FileApi& files = plat::os().Files();
    files.GetCurrentDirectoryA(&saved);
    files.SetCurrentDirectoryA(backend.scratch);
    check.Expect("found through the caller's current folder", Finish(Start(name + " exit 4")), 4);
    files.SetCurrentDirectoryA(saved);
    // The child's own current folder does not take part in the search.
    check.Expect("not through the child's folder", StartResult(Start(name + " exit 4", backend.scratch)),
                 "FALSE, error 2");
}

SCENARIO("processes", "the running program") {
    std::string path;
    plat::DWord length = Processes().GetModuleFileNameA(&path);
    check.Expect("length", length, static_cast<std::int64_t>(path.size()));
    check.ExpectTrue("a full path", path.size() > 3 && path[1] == ':' && path[2] == '\\');
    check.Expect("SetThreadPriority",
                 BoolResult(Processes().SetThreadPriority(Processes().GetCurrentThread(),
                                                          plat::kThreadPriorityNormal)),
                 "TRUE");
    check.Expect("close a handle that is not open", BoolResult(Processes().CloseHandle(0x123454)),
                 "FALSE, error 6");
}

}  // namespace conformance
