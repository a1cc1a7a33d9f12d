// The simulated registry: HKLM and HKCU hives with typed values, access masks,
// and the 32-bit view that a 32-bit program gets on 64-bit Windows.
//
// Behaviour worth knowing when writing tests:
// - Key and value names compare without regard to case and keep the spelling
//   they were created with.
// - Sub-keys enumerate in the order Windows keeps them in a hive (sorted by
//   upper-cased name); values enumerate in the order they were first set.
// - A sub-key path that starts with a backslash fails with ERROR_BAD_PATHNAME
//   (documented for RegCreateKeyEx; RegOpenKeyEx, RegDeleteKey behave alike
//   here). Repeated backslashes inside a path count as one, and one trailing
//   backslash is ignored.
// - A non-administrator gets no write right (KEY_SET_VALUE, KEY_CREATE_SUB_KEY,
//   KEY_CREATE_LINK, DELETE, WRITE_DAC, WRITE_OWNER) anywhere under HKLM, so
//   opening with KEY_WRITE or KEY_ALL_ACCESS there fails with
//   ERROR_ACCESS_DENIED. Windows 9x has no key security; DenyAccess still applies.
// - On 64-bit Windows, HKLM\SOFTWARE and everything below it is seen through
//   HKLM\SOFTWARE\Wow6432Node unless KEY_WOW64_64KEY is in the mask, except for
//   a few shared keys (Classes, Policies and the like). SYSTEM, HKCU and HKU are
//   shared. HKCR is HKLM\SOFTWARE\Classes.
// - Creating a key is checked against the parent key's security, not against
//   the mask of the handle passed in; the same holds for deleting a key.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sim {

class SimPc;

struct RegValue {
    plat::DWord type = plat::kRegNone;
    std::vector<std::uint8_t> data;
};

class SimRegistry : public plat::RegistryApi {
public:
    explicit SimRegistry(SimPc& pc);
    ~SimRegistry() override;

    plat::Long RegOpenKeyExA(plat::HKey key, const std::string& subKey, plat::DWord options,
                             plat::DWord samDesired, plat::HKey* result) override;
    plat::Long RegCreateKeyExA(plat::HKey key, const std::string& subKey, plat::DWord options,
                               plat::DWord samDesired, plat::HKey* result, plat::DWord* disposition) override;
    plat::Long RegCloseKey(plat::HKey key) override;
    plat::Long RegQueryValueExA(plat::HKey key, const std::string& valueName, plat::DWord* type,
                                std::vector<std::uint8_t>* data) override;
    plat::Long RegSetValueExA(plat::HKey key, const std::string& valueName, plat::DWord type,
                              const std::vector<std::uint8_t>& data) override;
    plat::Long RegDeleteValueA(plat::HKey key, const std::string& valueName) override;
    plat::Long RegDeleteKeyA(plat::HKey key, const std::string& subKey) override;
    plat::Long RegEnumKeyExA(plat::HKey key, plat::DWord index, std::string* name) override;
    plat::Long RegEnumValueA(plat::HKey key, plat::DWord index, std::string* name,
                             plat::DWord* type) override;

    // Returned for a sub-key path that starts with a backslash.
    static constexpr plat::Long kErrorBadPathname = 161;

    // Test set-up and inspection, by full native path such as
    // "HKLM\SOFTWARE\Wow6432Node\Vendor" (no redirection applied, no access
    // check). Roots: HKLM, HKCU, HKU, HKCR or their HKEY_... names. Setters
    // create the key (and its parents) when missing; a value name "" is the
    // default value. Paths naming no valid root throw std::invalid_argument.
    void CreateKey(const std::string& path);
    bool KeyExists(const std::string& path) const;
    void DeleteTree(const std::string& path);  // no-op when missing; open handles see ERROR_KEY_DELETED
    void SetValue(const std::string& path, const std::string& name, plat::DWord type,
                  const std::vector<std::uint8_t>& data);
    void SetString(const std::string& path, const std::string& name, const std::string& text,
                   plat::DWord type = plat::kRegSz);  // stored with its terminating NUL
    void SetMultiString(const std::string& path, const std::string& name,
                        const std::vector<std::string>& texts);
    void SetDword(const std::string& path, const std::string& name, plat::DWord value);
    void SetBinary(const std::string& path, const std::string& name, const std::vector<std::uint8_t>& bytes);
    void DeleteValue(const std::string& path, const std::string& name);
    std::optional<RegValue> Value(const std::string& path, const std::string& name) const;
    // Typed reads: std::nullopt when the value is missing or of another type.
    std::optional<std::string> String(const std::string& path,
                                      const std::string& name) const;  // SZ, EXPAND_SZ
    std::optional<std::vector<std::string>> MultiString(const std::string& path,
                                                        const std::string& name) const;
    std::optional<plat::DWord> Dword(const std::string& path, const std::string& name) const;
    std::vector<std::string> SubkeyNames(const std::string& path) const;  // enumeration order
    std::vector<std::string> ValueNames(const std::string& path) const;   // enumeration order

    // The key refuses the given rights to everybody (all rights by default):
    // opening it with a mask holding one of them, and deleting it when DELETE
    // is among them, fail with ERROR_ACCESS_DENIED. Rights 0 lifts the denial.
    void DenyAccess(const std::string& path, plat::DWord rights = plat::kKeyAllAccess);
    // The key cannot be deleted (ERROR_ACCESS_DENIED), whatever the caller's rights.
    void RefuseDeletion(const std::string& path, bool refuse = true);

    // A key held by another part of the machine that keeps its state in the
    // registry (the device nodes and their Enum keys), read and written
    // without walking paths. It stays valid after its key is deleted; Alive()
    // then answers false and writes go nowhere.
    class KeyRef {
    public:
        explicit operator bool() const { return key_ != nullptr; }

    private:
        friend class SimRegistry;
        std::shared_ptr<void> key_;
    };
    KeyRef Pin(const std::string& path);                // creates the key (and its parents) when missing
    KeyRef PinExisting(const std::string& path) const;  // empty when missing
    bool Alive(const KeyRef& key) const;
    std::optional<RegValue> Value(const KeyRef& key, const std::string& name) const;
    void SetValue(const KeyRef& key, const std::string& name, plat::DWord type,
                  const std::vector<std::uint8_t>& data);
    void DeleteValue(const KeyRef& key, const std::string& name);
    void DeleteTree(const KeyRef& key);  // the key with everything below it
    // Grows with every deletion of a key (and every Load): a held key can only
    // have gone when it changed.
    std::uint64_t Deletions() const;

    // Handles the program has open (predefined keys not counted), and the
    // native path of one, e.g. "HKLM\SOFTWARE\Wow6432Node\Vendor" ("" when the
    // handle is not open; the path it had when its key was deleted).
    std::size_t OpenHandleCount() const;
    std::string KeyPath(plat::HKey key) const;

    void Save(const std::string& regFile) const;  // a .reg export
    void Load(const std::string& regFile);        // replaces the whole registry; closes all handles

private:
    SimPc& pc_;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
