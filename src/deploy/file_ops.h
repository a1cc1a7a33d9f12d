// Small operations the file sets, removal sets and shortcuts share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "deploy/file_sets.h"
#include "platform/wintypes.h"

namespace setup {

class TVEXA_Form1;

// ProgramFilesDir + TargetSubDir, without a trailing backslash.
std::string InstallFolder(const TVEXA_Form1& form);

// Sets the file's attributes to normal, then deletes it; the outcome of the
// deletion (true when the file is gone by this call).
bool ResetAndDelete(const std::string& path);

// Switches the WOW64 file-system redirection of 64-bit Windows on or off;
// nothing on 32-bit Windows, nor when the switch was not found at startup.
void SwitchFsRedirection(const TVEXA_Form1& form, bool enabled);

// Writes `size` bytes as the whole content of a file created anew (or
// truncated), in one write. False when the file could not be created.
bool WriteImageFile(const std::string& path, const unsigned char* data, std::size_t size);

// A configured name that stays inside the folder it is joined to: neither
// absolute, drive-qualified nor a UNC path, and without a component made of
// dots (and blanks) only, such as "..".
bool IsInsideName(std::string_view name);
// A plain file name: not empty, no folder separator or drive colon, and not
// made of dots and blanks only.
bool IsPlainName(std::string_view name);

// True when the path, or one of the folders from `base` down to it, is a
// reparse point (a junction or symbolic link). `relative` is joined to `base`.
bool CrossesReparsePoint(const std::string& base, std::string_view relative);

// Puts the files into the install folder in order: package files and the
// staged INF copied, the configuration files written.
void PlaceInstallFolderFiles(TVEXA_Form1& form, const std::vector<InstallFolderFile>& files);

// The extra folders of the "copysubdir" keys: each package sub-folder's plain
// files copied into a sub-folder of the same name in the install folder.
void CopyExtraFolders(TVEXA_Form1& form);
// Entries of an extra folder that CopyExtraFolders leaves: hidden and system
// files, folders and volume labels.
constexpr plat::DWord kSkippedByExtraFolderCopy = plat::kFileAttributeHidden | plat::kFileAttributeSystem |
                                                  plat::kFileAttributeDirectory | 0x8 /* volume label */;

}  // namespace setup
