// Staging of the signed driver package: the product's driver, INF and catalog
// for the running architecture, copied into the temporary folder.
#include <string>

#include "config/comma_text.h"
#include "config/ini_file.h"
#include "platform/os.h"
#include "shell/form.h"
#include "shell/trace.h"

namespace setup {
namespace {

bool FileExists(const std::string& path) {
    plat::DWord attributes = plat::os().Files().GetFileAttributesA(path);
    return attributes != plat::kInvalidFileAttributes && (attributes & plat::kFileAttributeDirectory) == 0;
}

}  // namespace

void TVEXA_Form1::GenerateInf() {
    StepCode = 39;
    LogLine("Generate INF file");
    plat::Os& os = plat::os();
    const std::string& text9 = UiTexts[8];
    if (!FileExists(SourceDir + "infraw.dat")) {
        os.Ui().ShowInfoBox(text9);
        ExitSetup();
    }
    PidList.clear();
    const std::string pids = SetupIni->ReadString("INFData", "PIDList", "");
    if (pids.empty()) {
        os.Ui().ShowInfoBox(text9);
        ExitSetup();
    }
    PidList = config::SplitCommaText(pids);

    LogLine("Write catalog file");
    const bool x64 = Is64Bit == 1;
    if (ProductKind == 0) {
        LogLine("Write catalog file#1");
        const std::string folder = SourceDir + (x64 ? "xp64\\" : "");
        CopyFileLogged(folder + "qzusbf.sys", TempDir + "qzusbf.sys", 0);
        CopyFileLogged(folder + "qzusbf.inf", TempDir + "qzusbf.inf", 0);
        CopyFileLogged(folder + (IsVistaOrLater ? "qzusbfv.cat" : "qzusbf.cat"), TempDir + "qzusbf.cat", 0);
    } else if (ProductKind == 1) {
        LogLine("Write catalog file#2");
        const std::string folder = SourceDir + (x64 ? "xp64\\232\\" : "232\\");
        CopyFileLogged(folder + "qz232.sys", TempDir + "qz232.sys", 0);
        CopyFileLogged(folder + "qz232.inf", TempDir + "qz232.inf", 0);
        CopyFileLogged(folder + "qz232.cat", TempDir + "qz232.cat", 0);
    }
}

}  // namespace setup
