// The simulated file system: drive-letter paths compared without regard to
// case, attributes, files in use, wildcard search, current folder, deletion at
// the next restart and the WOW64 redirection of System32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sim {

class SimPc;

class SimFiles : public plat::FileApi {
public:
    explicit SimFiles(SimPc& pc);
    ~SimFiles() override;

    plat::DWord GetFileAttributesA(const std::string& path) override;
    plat::Bool SetFileAttributesA(const std::string& path, plat::DWord attributes) override;
    plat::Bool DeleteFileA(const std::string& path) override;
    plat::Bool CopyFileA(const std::string& existing, const std::string& target, plat::Bool failIfExists) override;
    plat::Bool MoveFileExA(const std::string& existing, const std::string& target, plat::DWord flags) override;
    plat::Bool CreateDirectoryA(const std::string& path) override;
    plat::Bool RemoveDirectoryA(const std::string& path) override;
    plat::DWord GetCurrentDirectoryA(std::string* path) override;
    plat::Bool SetCurrentDirectoryA(const std::string& path) override;
    plat::Handle FindFirstFileA(const std::string& pattern, plat::FindData* data) override;
    plat::Bool FindNextFileA(plat::Handle find, plat::FindData* data) override;
    plat::Bool FindClose(plat::Handle find) override;
    plat::Bool ReadWholeFile(const std::string& path, std::string* contents) override;
    plat::Bool WriteWholeFile(const std::string& path, const std::string& contents) override;

    // WOW64 file-system redirection of the (32-bit) program, on by default.
    void SetRedirection(bool enabled);
    bool Redirection() const;

    // The full path the program's path names after the current folder and
    // redirection are applied (the file a call would touch).
    std::string Resolve(const std::string& path) const;

    // Test set-up and inspection by full path, no redirection applied.
    void AddFile(const std::string& path, const std::string& contents = "",
                 plat::DWord attributes = plat::kFileAttributeArchive);
    void AddFolder(const std::string& path);
    bool Exists(const std::string& path) const;
    std::string Contents(const std::string& path) const;

    void Save(const std::string& folder) const;
    void Load(const std::string& folder);

private:
    SimPc& pc_;
    struct Impl;
    Impl* impl_;
};

}  // namespace sim
