// Staging of the signed driver package: the product's driver, INF and catalog
// for the running architecture, copied into the temporary folder.
#include <string>

#include "config/comma_text.h"
#include "config/ini_file.h"
#include "deploy/file_sets.h"
#include "driverpkg/inf_models.h"
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
    if (!FileExists(SourceDir + kInfTemplate)) {
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
        const DriverPackageFiles package = UsbDriverPackage({x64, IsVistaOrLater});
        CopyFileLogged(SourceDir + package.driver, TempDir + "qzusbf.sys", 0);
        CopyFileLogged(SourceDir + package.inf, TempDir + "qzusbf.inf", 0);
        CopyFileLogged(SourceDir + package.catalog, TempDir + "qzusbf.cat", 0);
    } else if (ProductKind == 1) {
        LogLine("Write catalog file#2");
        const DriverPackageFiles package = SerialDriverPackage(x64);
        CopyFileLogged(SourceDir + package.driver, TempDir + "qz232.sys", 0);
        CopyFileLogged(SourceDir + package.inf, TempDir + "qz232.inf", 0);
        CopyFileLogged(SourceDir + package.catalog, TempDir + "qz232.cat", 0);
    }
}

}  // namespace setup
