// The simulated registry: HKLM and HKCU hives with typed values, access masks,
// and the 32-bit view that a 32-bit program gets on 64-bit Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sim {

class SimPc;

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
    plat::Long RegEnumValueA(plat::HKey key, plat::DWord index, std::string* name, plat::DWord* type) override;

    // Test set-up and inspection, by full native path such as
    // "HKLM\SOFTWARE\Wow6432Node\Vendor" (no redirection applied).
    // (Further helpers: see the implementation.)
    void Save(const std::string& regFile) const;   // a .reg export
    void Load(const std::string& regFile);

private:
    SimPc& pc_;
    struct Impl;
    Impl* impl_;
};

}  // namespace sim
