// The two primitives of every file set: copying one file with its trace line,
// and the path of a shell folder.
#include <string>

#include "platform/os.h"
#include "shell/errors.h"
#include "shell/form.h"
#include "shell/system_error.h"
#include "shell/trace.h"

namespace setup {

void TVEXA_Form1::CopyFileLogged(const std::string& source, const std::string& destination,
                                 std::uint8_t failIfExists) {
    bool copied = plat::os().Files().CopyFileA(source, destination, failIfExists != 0 ? 1 : 0) != 0;
    LogLine("Copy " + source + " to " + destination + (copied ? " success!" : " fail!"));
}

std::string TVEXA_Form1::GetSpecialFolder(std::int32_t csidl) {
    StepCode = 14;
    plat::Os& os = plat::os();
    plat::ItemIdList list = 0;
    plat::HResult result = os.Shell().SHGetSpecialFolderLocation(0, csidl, &list);
    if (!plat::Succeeded(result)) throw SetupError(SystemErrorMessage(static_cast<plat::DWord>(result)));
    std::string path;
    // A folder that is no file-system folder yields the empty text.
    if (!os.Shell().SHGetPathFromIDListA(list, &path)) path.clear();
    os.Shell().CoTaskMemFree(list);
    return path;
}

}  // namespace setup
