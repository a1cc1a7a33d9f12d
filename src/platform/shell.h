// Shell folders and shell links: the special-folder calls of shell32, COM
// initialisation (ole32) and the shell link object with its IPersistFile.
//
// COM interface pointers cross the seam as ComObject values: the pointer a
// call returned, 0 for NULL. Each interface method is one seam method taking
// the interface pointer first, as the call does in C. HRESULTs are returned
// as they are; these calls do not report through GetLastError().
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/wintypes.h"

namespace plat {

using HResult = std::int32_t;
using ULong = std::uint32_t;
using ItemIdList = std::uintptr_t;  // PIDLIST_ABSOLUTE; 0 is NULL
using ComObject = std::uintptr_t;   // an interface pointer; 0 is NULL

// {00021401-0000-0000-C000-000000000046}
constexpr Guid kClsidShellLink{0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000214EE-0000-0000-C000-000000000046}
constexpr Guid kIidShellLinkA{0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000010B-0000-0000-C000-000000000046}
constexpr Guid kIidPersistFile{0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000000-0000-0000-C000-000000000046}
constexpr Guid kIidUnknown{0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr HResult kSOk = 0;
constexpr HResult kSFalse = 1;
constexpr HResult kENoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult kEPointer = static_cast<HResult>(0x80004003u);
constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);
constexpr HResult kRegdbEClassNotReg = static_cast<HResult>(0x80040154u);
constexpr HResult kCoENotInitialized = static_cast<HResult>(0x800401F0u);

constexpr bool Succeeded(HResult result) {
    return result >= 0;
}
constexpr HResult HResultFromWin32(DWord error) {
    return error == 0 ? kSOk : static_cast<HResult>((error & 0xFFFFu) | 0x80070000u);
}

constexpr DWord kClsctxInprocServer = 0x1;

// Special folders (CSIDL values).
constexpr int kCsidlPrograms = 2;
constexpr int kCsidlDesktopDirectory = 16;
constexpr int kCsidlCommonPrograms = 23;
constexpr int kCsidlCommonDesktopDirectory = 25;
constexpr int kCsidlAppData = 26;
constexpr int kCsidlLocalAppData = 28;
constexpr int kCsidlCommonAppData = 35;
constexpr int kCsidlWindows = 36;
constexpr int kCsidlSystem = 37;

// IShellLink::GetPath flags.
constexpr DWord kSlgpRawPath = 0x4;
// IPersistFile::Load modes (STGM).
constexpr DWord kStgmRead = 0x0;

class ShellApi {
public:
    virtual ~ShellApi() = default;

    // shell32. The path buffer of SHGetPathFromIDListA holds MAX_PATH characters.
    virtual HResult SHGetSpecialFolderLocation(Hwnd owner, int folder, ItemIdList* list) = 0;
    virtual Bool SHGetPathFromIDListA(ItemIdList list, std::string* path) = 0;

    // ole32. CoInitialize's reserved argument is NULL.
    virtual void CoTaskMemFree(ItemIdList memory) = 0;
    virtual HResult CoInitialize() = 0;
    virtual void CoUninitialize() = 0;
    virtual HResult CoCreateInstance(const Guid& clsid, ComObject outer, DWord context, const Guid& iid,
                                     ComObject* object) = 0;

    // IUnknown.
    virtual HResult QueryInterface(ComObject object, const Guid& iid, ComObject* result) = 0;
    virtual ULong Release(ComObject object) = 0;

    // IShellLinkA. The Get methods fill a buffer of `maxChars` characters.
    virtual HResult ShellLinkSetPath(ComObject link, const std::string& path) = 0;
    virtual HResult ShellLinkSetDescription(ComObject link, const std::string& description) = 0;
    virtual HResult ShellLinkSetArguments(ComObject link, const std::string& arguments) = 0;
    virtual HResult ShellLinkSetIconLocation(ComObject link, const std::string& iconPath, int index) = 0;
    // The find-data argument is NULL.
    virtual HResult ShellLinkGetPath(ComObject link, std::string* path, int maxChars, DWord flags) = 0;
    virtual HResult ShellLinkGetDescription(ComObject link, std::string* description, int maxChars) = 0;
    virtual HResult ShellLinkGetArguments(ComObject link, std::string* arguments, int maxChars) = 0;
    virtual HResult ShellLinkGetWorkingDirectory(ComObject link, std::string* folder, int maxChars) = 0;
    virtual HResult ShellLinkGetIconLocation(ComObject link, std::string* iconPath, int maxChars,
                                             int* index) = 0;
    virtual HResult ShellLinkGetShowCmd(ComObject link, int* showCommand) = 0;

    // IPersistFile; file names are UTF-16 (LPCOLESTR).
    virtual HResult PersistFileSave(ComObject file, const std::u16string& fileName, Bool remember) = 0;
    virtual HResult PersistFileLoad(ComObject file, const std::u16string& fileName, DWord mode) = 0;
};

}  // namespace plat
