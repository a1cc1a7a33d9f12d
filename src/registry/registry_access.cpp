#include "registry/registry_access.h"

#include "platform/os.h"
#include "shell/errors.h"

namespace setup {

RegistryAccess::~RegistryAccess() {
    CloseKey();
}

bool RegistryAccess::OpenKey(const std::string& path, bool canCreate) {
    CloseKey();
    plat::RegistryApi& registry = plat::os().Registry();
    plat::HKey key = 0;
    plat::Long result =
        canCreate ? registry.RegCreateKeyExA(root_, path, plat::kRegOptionNonVolatile, access_, &key, nullptr)
                  : registry.RegOpenKeyExA(root_, path, 0, access_, &key);
    if (result != 0) return false;
    current_ = key;
    return true;
}

void RegistryAccess::CloseKey() {
    if (current_ == 0) return;
    plat::os().Registry().RegCloseKey(current_);
    current_ = 0;
}

std::vector<std::string> RegistryAccess::GetKeyNames() {
    std::vector<std::string> names;
    if (current_ == 0) return names;
    std::string name;
    for (plat::DWord index = 0; plat::os().Registry().RegEnumKeyExA(current_, index, &name) == 0; ++index)
        names.push_back(name);
    return names;
}

std::optional<std::string> RegistryAccess::ReadString(const std::string& name) {
    if (current_ == 0) return std::string();
    plat::DWord type = 0;
    std::vector<std::uint8_t> data;
    if (plat::os().Registry().RegQueryValueExA(current_, name, &type, &data) != 0) return std::string();
    if (type != plat::kRegSz && type != plat::kRegExpandSz) return std::nullopt;
    std::string text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
}

bool RegistryAccess::DeleteValue(const std::string& name) {
    return current_ != 0 && plat::os().Registry().RegDeleteValueA(current_, name) == 0;
}

void RegistryAccess::Write(const std::string& name, plat::DWord type, const std::vector<std::uint8_t>& data) {
    if (current_ == 0 || plat::os().Registry().RegSetValueExA(current_, name, type, data) != 0)
        throw SetupError("Failed to set data for '" + name + "'");
}

void RegistryAccess::WriteString(const std::string& name, const std::string& value) {
    std::vector<std::uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    Write(name, plat::kRegSz, data);
}

void RegistryAccess::WriteExpandString(const std::string& name, const std::string& value) {
    std::vector<std::uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    Write(name, plat::kRegExpandSz, data);
}

void RegistryAccess::WriteInteger(const std::string& name, plat::DWord value) {
    Write(name, plat::kRegDword,
          {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
           static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void RegistryAccess::WriteBinaryData(const std::string& name, const std::vector<std::uint8_t>& data) {
    Write(name, plat::kRegBinary, data);
}

bool RegistryAccess::DeleteKey(const std::string& path) {
    plat::RegistryApi& registry = plat::os().Registry();
    plat::HKey key = 0;
    if (registry.RegOpenKeyExA(root_, path, 0, access_, &key) == 0) {
        std::vector<std::string> names;
        std::string name;
        for (plat::DWord index = 0; registry.RegEnumKeyExA(key, index, &name) == 0; ++index)
            names.push_back(name);
        registry.RegCloseKey(key);
        for (auto it = names.rbegin(); it != names.rend(); ++it) DeleteKey(path + "\\" + *it);
    }
    return registry.RegDeleteKeyA(root_, path) == 0;
}

}  // namespace setup
