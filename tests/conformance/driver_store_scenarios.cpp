// The driver package store: SetupCopyOEMInfA copies an INF into the Windows
// INF folder under a name of its own, once.
#include "conformance/helpers.h"

namespace conformance {
namespace {

constexpr const char* kWineBufferError =
    "Wine reports ERROR_INSUFFICIENT_BUFFER for a source INF it cannot find when given a destination buffer";

std::string WindowsFolder() {
    std::string folder;
    plat::os().System().GetWindowsDirectoryA(&folder, 260);
    return folder;
}

// The call as a result text: "TRUE <file name>" or "FALSE, error N".
std::string CopyInf(const std::string& inf, plat::DWord style, std::string* stored = nullptr) {
    std::string destination;
    std::string component;
    plat::DWord required = 0;
    if (!plat::os().Devices().SetupCopyOEMInfA(inf, "", plat::kSpostPath, style, &destination, 260, &required,
                                               &component))
        return "FALSE, error " + std::to_string(LastError());
    if (stored) *stored = destination;
    std::string folder = Upper(WindowsFolder() + "\\inf\\");
    bool inStore = Upper(destination).rfind(folder, 0) == 0 && required == destination.size() + 1;
    return std::string("TRUE") + (inStore ? " in the INF folder" : " elsewhere: " + destination);
}

std::string OemName(const std::string& path) {
    std::string name = Upper(path.substr(path.find_last_of('\\') + 1));
    bool oem = name.size() > 7 && name.rfind("OEM", 0) == 0 && name.substr(name.size() - 4) == ".INF" &&
               name.find_first_not_of("0123456789", 3) == name.size() - 4;
    return oem ? "oem<N>.inf" : name;
}

}  // namespace

SCENARIO("devices", "SetupCopyOEMInfA stores an INF once") {
    const std::string inf = InScratch(backend, "sample.inf");
    // An INF of this run alone, so that no stored INF equals it.
    plat::os().Files().WriteWholeFile(inf,
                                      "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Sample\r\n"
                                      "ClassGuid={6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\r\n"
                                      "Provider=Conformance " +
                                          backend.unique + "\r\n");
    std::string stored;
    check.Expect("the first copy", CopyInf(inf, 0, &stored), "TRUE in the INF folder");
    if (stored.empty()) return;
    check.WineDeparts("Wine keeps the INF's own name in the INF folder");
    check.Expect("its name", OemName(stored), "oem<N>.inf");
    std::string copy;
    plat::os().Files().ReadWholeFile(stored, &copy);
    std::string original;
    plat::os().Files().ReadWholeFile(inf, &original);
    check.ExpectTrue("the copy holds the INF's bytes", copy == original);

    std::string again;
    check.Expect("the same INF again", CopyInf(inf, 0, &again), "TRUE in the INF folder");
    check.Expect("names the stored copy", Upper(again), Upper(stored));
    check.Expect("with SP_COPY_NOOVERWRITE", CopyInf(inf, plat::kSpCopyNoOverwrite), "FALSE, error 80");

    plat::os().Files().DeleteFileA(stored);
    plat::os().Files().DeleteFileA(stored.substr(0, stored.size() - 3) + "pnf");
}

SCENARIO("devices", "SetupCopyOEMInfA refusals") {
    // The documentation names no error; Windows reports the file system's.
    check.WineDeparts(kWineBufferError);
    check.Expect("a missing INF", CopyInf(InScratch(backend, "none.inf"), 0), "FALSE, error 2");
    check.WineDeparts(kWineBufferError);
    check.Expect("an INF in a missing folder", CopyInf(InScratch(backend, "none\\none.inf"), 0),
                 "FALSE, error 3");
}

}  // namespace conformance
