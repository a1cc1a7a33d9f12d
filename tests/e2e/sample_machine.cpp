#include "e2e/sample_machine.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/sim/package_tools.h"

namespace e2e {
namespace {

// The package's files as they lie in the repository, read once.
const std::vector<std::pair<std::string, std::string>>& PackageFiles() {
    static const std::vector<std::pair<std::string, std::string>> files = [] {
        namespace fs = std::filesystem;
        const fs::path root = fs::path(SETUP_SOURCE_DIR) / "package";
        std::vector<std::pair<std::string, std::string>> found;
        for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
             ++it) {
            const fs::path relative = fs::relative(it->path(), root);
            // The tools' sources and the package's build scripts are not shipped.
            if (it->is_directory() && relative == "tools") {
                it.disable_recursion_pending();
                continue;
            }
            const std::string extension = it->path().extension().string();
            if (!it->is_regular_file() || extension == ".py" || extension == ".cmake") continue;
            std::ifstream in(it->path(), std::ios::binary);
            std::string name = relative.string();
            for (char& c : name)
                if (c == '/') c = '\\';
            found.emplace_back(name, std::string(std::istreambuf_iterator<char>(in), {}));
        }
        return found;
    }();
    return files;
}

std::vector<std::uint8_t> Sz(const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

}  // namespace

void AddSamplePackage(sim::SimPc& pc, const std::string& folder) {
    for (const auto& [name, contents] : PackageFiles()) pc.files.AddFile(folder + "\\" + name, contents);
    // The package's tools and libraries, modelled by the simulated PC.
    for (const char* tool : {"setup.exe", "setup.dll", "tsutils.dll", "pnpreg.exe", "hidfilter.exe",
                             "touchcfg.exe", "setup.dat"})
        pc.files.AddFile(folder + "\\" + tool, "MZ");
}

void BuildSampleMachine(sim::SimPc& pc) {
    pc.files.AddStandardFolders();
    sim::ModelPackageTools(pc);
    AddSamplePackage(pc, kPackageFolder);
    pc.processes.ownPath = std::string(kPackageFolder) + "\\setup.exe";
    pc.files.SetCurrentDirectoryA(kPackageFolder);
    pc.processes.searchPath = {pc.facts.windowsDir + "\\System32", pc.facts.windowsDir};

    pc.registry.SetString("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                          "C:\\Program Files");
    pc.registry.SetString("HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
                          "ProgramFilesDir", "C:\\Program Files (x86)");
    plat::HKey key = 0;
    pc.registry.RegCreateKeyExA(plat::kHkeyLocalMachine, kLayersKey, 0, plat::kKeyAllAccess, &key, nullptr);
    pc.registry.RegSetValueExA(key, kOtherProgramLayer, plat::kRegSz, Sz("WINXPSP3"));
    pc.registry.RegCloseKey(key);

    sim::SimService& pca = pc.services.Add("PcaSvc", plat::kServiceRunning);
    pca.afterStart = {plat::kServiceStartPending, plat::kServiceRunning};
    pca.afterStop = {plat::kServiceStopPending, plat::kServiceStopped};
}

std::vector<std::string> LayerEntries(sim::SimPc& pc) {
    sim::SimPc::OwnUse inspection(pc);
    std::vector<std::string> names;
    plat::HKey key = 0;
    if (pc.registry.RegOpenKeyExA(plat::kHkeyLocalMachine, kLayersKey, 0, plat::kKeyRead, &key) != 0)
        return names;
    std::string name;
    plat::DWord type = 0;
    for (plat::DWord index = 0; pc.registry.RegEnumValueA(key, index, &name, &type) == 0; ++index)
        names.push_back(name);
    pc.registry.RegCloseKey(key);
    return names;
}

}  // namespace e2e
