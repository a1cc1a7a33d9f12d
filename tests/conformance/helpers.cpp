#include "conformance/helpers.h"

namespace conformance {

void DeleteKeyTree(plat::HKey root, const std::string& path, plat::DWord view) {
    plat::RegistryApi& reg = plat::os().Registry();
    plat::HKey key = 0;
    if (reg.RegOpenKeyExA(root, path, 0, plat::kKeyRead | view, &key) != 0) return;
    std::vector<std::string> children;
    std::string name;
    for (plat::DWord i = 0; reg.RegEnumKeyExA(key, i, &name) == 0; ++i) children.push_back(name);
    reg.RegCloseKey(key);
    for (const auto& child : children) DeleteKeyTree(root, path + "\\" + child, view);
    plat::HKey parent = 0;
    auto slash = path.find_last_of('\\');
    std::string parentPath = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    if (reg.RegOpenKeyExA(root, parentPath, 0, plat::kKeyAllAccess | view, &parent) != 0) return;
    reg.RegDeleteKeyA(parent, leaf);
    reg.RegCloseKey(parent);
}

std::string Status(plat::Long status) {
    return std::to_string(status);
}

std::string BoolResult(plat::Bool ok) {
    if (ok) return "TRUE";
    return "FALSE, error " + std::to_string(LastError());
}

}  // namespace conformance
