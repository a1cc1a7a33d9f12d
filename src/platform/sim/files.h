// The simulated file system: drive-letter paths compared without regard to
// case, attributes, files in use, wildcard search, current folder, deletion at
// the next restart and the WOW64 redirection of System32.
//
// Behaviour worth knowing when writing tests:
// - Paths are made full as GetFullPathName does: '/' counts as '\', "." and
//   ".." are folded, trailing dots and spaces of a name are dropped, a path
//   starting with '\' is on the current drive, "X:name" is relative to the
//   current folder when X is its drive (else to X's root). UNC paths are not
//   modelled (ERROR_BAD_NETPATH); the characters <>|"?* give ERROR_INVALID_NAME.
// - On 64-bit Windows with redirection on, <windowsDir>\System32 and what is
//   below it is <windowsDir>\SysWOW64, except catroot, catroot2, drivers\etc,
//   logfiles, spool and (Windows 7 and later) driverstore; <windowsDir>\Sysnative
//   (Vista and later) is the real System32; <windowsDir>\regedit.exe is
//   SysWOW64\regedit.exe.
// - Search results are sorted as NTFS returns them (by upper-cased name), "."
//   and ".." first in folders other than a drive root; the list is taken when
//   FindFirstFileA runs. Short (8.3) names are not modelled.
// - A file in use (LockFile) cannot be deleted, overwritten, written, moved or
//   renamed (ERROR_SHARING_VIOLATION); it can be read and copied unless locked
//   against reading too.
// - Like CreateFile with CREATE_ALWAYS, overwriting a hidden or system file
//   (WriteWholeFile, CopyFileA without those attributes on the source) fails
//   with ERROR_ACCESS_DENIED.
// - A folder can be a junction (a reparse point) leading to another folder:
//   paths through it reach the other folder. Calls that act on the name
//   itself (GetFileAttributesA, SetFileAttributesA, DeleteFileA,
//   RemoveDirectoryA, MoveFileExA's source, CreateDirectoryA) act on the
//   junction when it is the last name: it reports FILE_ATTRIBUTE_REPARSE_POINT
//   and is removed by RemoveDirectoryA whatever its target holds. Listing it
//   lists the target.
// - A file handle of CreateFileA does not hold its file in use; WriteFile
//   writes at the handle's position.
#pragma once

#include <cstdint>
#include <memory>
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
    plat::Bool CopyFileA(const std::string& existing, const std::string& target,
                         plat::Bool failIfExists) override;
    plat::Bool MoveFileExA(const std::string& existing, const std::string& target,
                           plat::DWord flags) override;
    plat::Bool CreateDirectoryA(const std::string& path) override;
    plat::Bool RemoveDirectoryA(const std::string& path) override;
    plat::DWord GetCurrentDirectoryA(std::string* path) override;
    plat::Bool SetCurrentDirectoryA(const std::string& path) override;
    plat::Handle FindFirstFileA(const std::string& pattern, plat::FindData* data) override;
    plat::Bool FindNextFileA(plat::Handle find, plat::FindData* data) override;
    plat::Bool FindClose(plat::Handle find) override;
    plat::Bool ReadWholeFile(const std::string& path, std::string* contents) override;
    plat::Bool WriteWholeFile(const std::string& path, const std::string& contents) override;
    plat::Handle CreateFileA(const std::string& path, plat::DWord desiredAccess, plat::DWord shareMode,
                             plat::DWord creationDisposition, plat::DWord flagsAndAttributes) override;
    plat::Bool WriteFile(plat::Handle file, const void* data, plat::DWord size,
                         plat::DWord* written) override;

    // CloseHandle of a file handle (ProcessApi::CloseHandle hands them over);
    // false when the handle is no open file.
    bool CloseFileHandle(plat::Handle file);
    std::string OpenFilePath(plat::Handle file) const;  // "" when the handle is no open file
    std::size_t OpenFileHandles() const;

    // The reads and writes that other simulated calls make on their own (a
    // shell link's save, the INF store): the program's current folder and
    // redirection apply, failure injection does not. They return the error
    // Windows would give, 0 on success; a write replaces the file as
    // CreateFile(CREATE_ALWAYS) does.
    plat::DWord ReadForCall(const std::string& path, std::string* contents) const;
    plat::DWord WriteForCall(const std::string& path, const std::string& contents);

    // Error codes of the calls beyond those in wintypes.h.
    static constexpr plat::DWord kErrorNotSameDevice = 17;
    static constexpr plat::DWord kErrorBadNetpath = 53;
    static constexpr plat::DWord kErrorInvalidName = 123;
    static constexpr plat::DWord kErrorDirectory = 267;  // "the directory name is invalid"
    static constexpr plat::DWord kMoveFileCopyAllowed = 0x2;

    // WOW64 file-system redirection of the (32-bit) program, on by default.
    void SetRedirection(bool enabled);
    bool Redirection() const;

    // The full path the program's path names after the current folder and
    // redirection are applied (the file a call would touch); "" when the path
    // is not valid.
    std::string Resolve(const std::string& path) const;

    // Test set-up and inspection by full path, no redirection applied. Set-up
    // creates missing parent folders (and drives) and throws
    // std::invalid_argument on a path that is not valid; queries answer as
    // for a missing file.
    void AddFile(const std::string& path, const std::string& contents = "",
                 plat::DWord attributes = plat::kFileAttributeArchive);
    void AddFolder(const std::string& path);
    // A junction at `path` (a new folder name) leading to the folder `target`,
    // both full paths; the target need not exist.
    void AddJunction(const std::string& path, const std::string& target);
    std::string JunctionTarget(const std::string& path) const;  // "" when no junction
    bool Exists(const std::string& path) const;
    std::string Contents(const std::string& path) const;  // "" when missing
    bool IsFolder(const std::string& path) const;
    // As GetFileAttributesA reports them; kInvalidFileAttributes when missing.
    plat::DWord Attributes(const std::string& path) const;
    void SetAttributes(const std::string& path, plat::DWord attributes);
    void Remove(const std::string& path);  // a file, or a folder with all it holds
    // Names in a folder in search order (no "." or ".."); full paths of every
    // folder and file on every drive, in order, folders with a trailing '\'.
    std::vector<std::string> List(const std::string& folder) const;
    std::vector<std::string> AllPaths() const;
    // The usual folders of the machine's facts: the Windows folder with
    // System32, System32\drivers and inf, SysWOW64 on 64-bit Windows, the
    // temporary folder, the Program Files folders, the user's and the shared
    // profile folders of the Windows family and the shell's common folders.
    void AddStandardFolders();

    // Files in use by another program.
    void LockFile(const std::string& path, bool allowRead = true);
    void UnlockFile(const std::string& path);
    bool IsLocked(const std::string& path) const;

    // Operations MoveFileExA left for the next restart, in order; `to` is
    // empty for a deletion. Paths are full native paths (after redirection).
    struct PendingOperation {
        std::string from;
        std::string to;
        bool operator==(const PendingOperation&) const = default;
    };
    std::vector<PendingOperation> PendingOperations() const;
    std::vector<std::string> PendingDeletions() const;
    // Carries them out, as the restart does, and forgets them.
    void ApplyPendingOperations();

    std::size_t OpenFindHandles() const;

    // `folder` receives one sub-folder per drive ("C" mirrors C:\ with real
    // files) and "files.ini" with what the mirror cannot show: attributes,
    // files in use, junctions, pending operations, current folder and
    // redirection.
    void Save(const std::string& folder) const;
    void Load(const std::string& folder);  // replaces the whole file system

    // Copies a folder of this computer, with everything below it, to the
    // folder `path` (a full path) of the machine; throws std::runtime_error
    // when there is no such folder or a file cannot be read.
    void AddHostFolder(const std::string& hostFolder, const std::string& path);

private:
    SimPc& pc_;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
