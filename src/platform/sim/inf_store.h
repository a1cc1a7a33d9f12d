// The Windows INF store of the simulated PC: plain files in the Windows
// folder's "inf" folder, each driver package's INF copied as "oem<N>.inf"
// with a precompiled "oem<N>.pnf" beside it. Here the .pnf is a readable
// stand-in naming the INF's original name and source folder.
//
// Other simulated calls work on the store through this view (it keeps no
// state of its own): SetupCopyOEMInfA adds to it, the uninstall of OEM INFs
// and the package tools' models look things up and remove. None of these
// helpers goes through failure injection.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sim {

class SimPc;

class InfStore {
public:
    explicit InfStore(SimPc& pc) : pc_(pc) {}

    struct Entry {
        std::string name;          // "oem3.inf"
        std::string infPath;       // full path of the stored INF
        std::string pnfPath;       // full path of its .pnf
        std::string originalName;  // the INF's name in its package, from the .pnf ("" when unknown)
        std::string sourceFolder;  // where it was copied from, from the .pnf
    };

    // "<Windows folder>\inf".
    std::string Folder() const;
    // Every "oem<N>.inf" of the store, by N.
    std::vector<Entry> List() const;
    // The entry of that file name ("oem3.inf", letter case ignored).
    std::optional<Entry> Find(const std::string& name) const;
    // The stored INF whose bytes equal `contents`.
    std::optional<Entry> FindByContents(const std::string& contents) const;
    // Stores an INF as Windows does: under the lowest free "oem<N>.inf", with
    // its .pnf. An INF identical in content to a stored one is not stored
    // again; that entry is returned and `added` is false.
    Entry Add(const std::string& sourcePath, const std::string& contents, bool* added = nullptr);
    // Removes the INF and its .pnf; false when there was no such INF.
    bool Remove(const std::string& name);

private:
    std::optional<Entry> EntryOf(const std::string& name) const;
    SimPc& pc_;
};

}  // namespace sim
