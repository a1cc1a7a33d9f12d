// The registry accessor of the program: a root key, an access mask and one
// open key at a time, as the driver settings and the cleanup use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace setup {

class RegistryAccess {
public:
    explicit RegistryAccess(plat::HKey root = plat::kHkeyLocalMachine,
                            plat::DWord access = plat::kKeyAllAccess)
        : root_(root), access_(access) {}
    ~RegistryAccess();
    RegistryAccess(const RegistryAccess&) = delete;
    RegistryAccess& operator=(const RegistryAccess&) = delete;

    // Root and mask apply to the keys opened from then on.
    void SetRoot(plat::HKey root) { root_ = root; }
    void SetAccess(plat::DWord access) { access_ = access; }

    // Opens `path` below the root (creating it and its parents when
    // `canCreate`), closing the key open before. True when it opened.
    bool OpenKey(const std::string& path, bool canCreate);
    void CloseKey();

    // Names of the open key's sub-keys, in the order the registry lists them.
    std::vector<std::string> GetKeyNames();

    // A text value (REG_SZ or REG_EXPAND_SZ) of the open key, up to its first
    // NUL; a value that is missing or cannot be read reads as empty text.
    // nullopt when the value holds another type.
    std::optional<std::string> ReadString(const std::string& name);
    // Deletes a value of the open key; true when it was deleted.
    bool DeleteValue(const std::string& name);

    // Writes into the open key; a value that cannot be written raises
    // SetupError "Failed to set data for '<name>'".
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, plat::DWord value);
    void WriteBinaryData(const std::string& name, const std::vector<std::uint8_t>& data);

    // Deletes `path` below the root with everything under it: the sub-keys
    // first, recursively and from the last to the first, then the key. True
    // when the key itself was deleted.
    bool DeleteKey(const std::string& path);

private:
    void Write(const std::string& name, plat::DWord type, const std::vector<std::uint8_t>& data);

    plat::HKey root_;
    plat::DWord access_;
    plat::HKey current_ = 0;
};

}  // namespace setup
