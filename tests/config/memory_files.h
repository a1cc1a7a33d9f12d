// A machine that has only files, kept in memory, for the configuration tests:
// enough of the seam for IniFile, with reads and writes counted and failures
// on request. Every other facility is absent.
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>

#include "platform/os.h"

namespace config_test {

class MemoryFiles : public plat::FileApi {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> unreadable;  // present, but reading fails (a file in use)
    std::set<std::string> unwritable;  // writing fails (read-only file, full disk)
    int reads = 0;
    int writes = 0;
    plat::DWord lastError = plat::kErrorSuccess;

    plat::DWord GetFileAttributesA(const std::string& path) override {
        if (files.count(path) == 0) {
            lastError = plat::kErrorFileNotFound;
            return plat::kInvalidFileAttributes;
        }
        return plat::kFileAttributeArchive;
    }
    plat::Bool ReadWholeFile(const std::string& path, std::string* contents) override {
        ++reads;
        const auto found = files.find(path);
        if (found == files.end()) return Fail(plat::kErrorFileNotFound);
        if (unreadable.count(path) != 0) return Fail(plat::kErrorSharingViolation);
        *contents = found->second;
        return 1;
    }
    plat::Bool WriteWholeFile(const std::string& path, const std::string& contents) override {
        ++writes;
        if (unwritable.count(path) != 0) return Fail(plat::kErrorAccessDenied);
        files[path] = contents;
        return 1;
    }

    // Not used by the configuration layer.
    plat::Bool SetFileAttributesA(const std::string&, plat::DWord) override { return Unused(); }
    plat::Bool DeleteFileA(const std::string&) override { return Unused(); }
    plat::Bool CopyFileA(const std::string&, const std::string&, plat::Bool) override { return Unused(); }
    plat::Bool MoveFileExA(const std::string&, const std::string&, plat::DWord) override { return Unused(); }
    plat::Bool CreateDirectoryA(const std::string&) override { return Unused(); }
    plat::Bool RemoveDirectoryA(const std::string&) override { return Unused(); }
    plat::DWord GetCurrentDirectoryA(std::string*) override { return static_cast<plat::DWord>(Unused()); }
    plat::Bool SetCurrentDirectoryA(const std::string&) override { return Unused(); }
    plat::Handle FindFirstFileA(const std::string&, plat::FindData*) override {
        Unused();
        return plat::kInvalidHandle;
    }
    plat::Bool FindNextFileA(plat::Handle, plat::FindData*) override { return Unused(); }
    plat::Bool FindClose(plat::Handle) override { return Unused(); }
    plat::Handle CreateFileA(const std::string&, plat::DWord, plat::DWord, plat::DWord,
                             plat::DWord) override {
        Unused();
        return plat::kInvalidHandle;
    }
    plat::Bool WriteFile(plat::Handle, const void*, plat::DWord, plat::DWord*) override { return Unused(); }

private:
    plat::Bool Fail(plat::DWord error) {
        lastError = error;
        return 0;
    }
    static plat::Bool Unused() { throw std::logic_error("file call not expected in configuration tests"); }
};

class MemoryFilesOs : public plat::Os {
public:
    MemoryFiles files;

    plat::FileApi& Files() override { return files; }
    plat::DWord GetLastError() override { return files.lastError; }

    plat::RegistryApi& Registry() override { throw Absent(); }
    plat::ServiceApi& Services() override { throw Absent(); }
    plat::ProcessApi& Processes() override { throw Absent(); }
    plat::WindowApi& Windows() override { throw Absent(); }
    plat::ClockApi& Clock() override { throw Absent(); }
    plat::LibraryApi& Libraries() override { throw Absent(); }
    plat::UiApi& Ui() override { throw Absent(); }
    plat::SystemApi& System() override { throw Absent(); }
    plat::DeviceApi& Devices() override { throw Absent(); }
    plat::ShellApi& Shell() override { throw Absent(); }

private:
    static std::logic_error Absent() {
        return std::logic_error("facility not expected in configuration tests");
    }
};

// Installs a MemoryFilesOs as the machine for the lifetime of a test.
class ScopedMemoryFilesOs {
public:
    ScopedMemoryFilesOs() { plat::SetOs(&os); }
    ~ScopedMemoryFilesOs() { plat::SetOs(nullptr); }
    ScopedMemoryFilesOs(const ScopedMemoryFilesOs&) = delete;
    ScopedMemoryFilesOs& operator=(const ScopedMemoryFilesOs&) = delete;

    MemoryFilesOs os;
};

}  // namespace config_test
