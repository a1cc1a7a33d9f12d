#include <windows.h>
// The shell and COM headers need windows.h first.
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/win32/win32_os.h"

namespace plat::win32 {

namespace {

GUID ToGuid(const Guid& guid) {
    GUID result;
    result.Data1 = guid.data1;
    result.Data2 = guid.data2;
    result.Data3 = guid.data3;
    for (std::size_t i = 0; i < 8; ++i) result.Data4[i] = guid.data4[i];
    return result;
}

IUnknown* ToUnknown(ComObject object) {
    return reinterpret_cast<IUnknown*>(object);
}
IShellLinkA* ToShellLink(ComObject object) {
    return reinterpret_cast<IShellLinkA*>(object);
}
IPersistFile* ToPersistFile(ComObject object) {
    return reinterpret_cast<IPersistFile*>(object);
}

// A Get method's text: the buffer up to its NUL.
HResult Fill(HRESULT result, const std::vector<char>& buffer, std::string* out) {
    if (out != nullptr)
        *out = SUCCEEDED(result) ? std::string(buffer.data(), ::strnlen(buffer.data(), buffer.size())) : "";
    return result;
}

std::vector<char> Buffer(int maxChars) {
    return std::vector<char>(static_cast<std::size_t>(maxChars > 0 ? maxChars : 1), '\0');
}

std::wstring Wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace

HResult Win32Shell::SHGetSpecialFolderLocation(Hwnd owner, int folder, ItemIdList* list) {
    LPITEMIDLIST pidl = nullptr;
    HRESULT result = ::SHGetSpecialFolderLocation(ToHwnd(owner), folder, &pidl);
    if (list != nullptr) *list = reinterpret_cast<ItemIdList>(pidl);
    return result;
}

Bool Win32Shell::SHGetPathFromIDListA(ItemIdList list, std::string* path) {
    char buffer[MAX_PATH + 1] = {};
    BOOL ok = ::SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(list), buffer);
    if (path != nullptr) *path = ok ? std::string(buffer, ::strnlen(buffer, MAX_PATH)) : "";
    return ok;
}

void Win32Shell::CoTaskMemFree(ItemIdList memory) {
    ::CoTaskMemFree(reinterpret_cast<void*>(memory));
}

HResult Win32Shell::CoInitialize() {
    return ::CoInitialize(nullptr);
}

void Win32Shell::CoUninitialize() {
    ::CoUninitialize();
}

HResult Win32Shell::CoCreateInstance(const Guid& clsid, ComObject outer, DWord context, const Guid& iid,
                                     ComObject* object) {
    GUID classId = ToGuid(clsid);
    GUID interfaceId = ToGuid(iid);
    void* created = nullptr;
    HRESULT result = ::CoCreateInstance(classId, ToUnknown(outer), context, interfaceId, &created);
    if (object != nullptr) *object = reinterpret_cast<ComObject>(created);
    return result;
}

HResult Win32Shell::QueryInterface(ComObject object, const Guid& iid, ComObject* result) {
    GUID interfaceId = ToGuid(iid);
    void* found = nullptr;
    HRESULT answer = ToUnknown(object)->QueryInterface(interfaceId, &found);
    if (result != nullptr) *result = reinterpret_cast<ComObject>(found);
    return answer;
}

ULong Win32Shell::Release(ComObject object) {
    return ToUnknown(object)->Release();
}

HResult Win32Shell::ShellLinkSetPath(ComObject link, const std::string& path) {
    return ToShellLink(link)->SetPath(path.c_str());
}

HResult Win32Shell::ShellLinkSetDescription(ComObject link, const std::string& description) {
    return ToShellLink(link)->SetDescription(description.c_str());
}

HResult Win32Shell::ShellLinkSetArguments(ComObject link, const std::string& arguments) {
    return ToShellLink(link)->SetArguments(arguments.c_str());
}

HResult Win32Shell::ShellLinkSetIconLocation(ComObject link, const std::string& iconPath, int index) {
    return ToShellLink(link)->SetIconLocation(iconPath.c_str(), index);
}

HResult Win32Shell::ShellLinkGetPath(ComObject link, std::string* path, int maxChars, DWord flags) {
    std::vector<char> buffer = Buffer(maxChars);
    return Fill(ToShellLink(link)->GetPath(buffer.data(), maxChars, nullptr, flags), buffer, path);
}

HResult Win32Shell::ShellLinkGetDescription(ComObject link, std::string* description, int maxChars) {
    std::vector<char> buffer = Buffer(maxChars);
    return Fill(ToShellLink(link)->GetDescription(buffer.data(), maxChars), buffer, description);
}

HResult Win32Shell::ShellLinkGetArguments(ComObject link, std::string* arguments, int maxChars) {
    std::vector<char> buffer = Buffer(maxChars);
    return Fill(ToShellLink(link)->GetArguments(buffer.data(), maxChars), buffer, arguments);
}

HResult Win32Shell::ShellLinkGetWorkingDirectory(ComObject link, std::string* folder, int maxChars) {
    std::vector<char> buffer = Buffer(maxChars);
    return Fill(ToShellLink(link)->GetWorkingDirectory(buffer.data(), maxChars), buffer, folder);
}

HResult Win32Shell::ShellLinkGetIconLocation(ComObject link, std::string* iconPath, int maxChars,
                                             int* index) {
    std::vector<char> buffer = Buffer(maxChars);
    int icon = 0;
    HRESULT result = ToShellLink(link)->GetIconLocation(buffer.data(), maxChars, &icon);
    if (index != nullptr) *index = icon;
    return Fill(result, buffer, iconPath);
}

HResult Win32Shell::ShellLinkGetShowCmd(ComObject link, int* showCommand) {
    int show = 0;
    HRESULT result = ToShellLink(link)->GetShowCmd(&show);
    if (showCommand != nullptr) *showCommand = show;
    return result;
}

HResult Win32Shell::PersistFileSave(ComObject file, const std::u16string& fileName, Bool remember) {
    std::wstring name = Wide(fileName);
    return ToPersistFile(file)->Save(fileName.empty() ? nullptr : name.c_str(), remember);
}

HResult Win32Shell::PersistFileLoad(ComObject file, const std::u16string& fileName, DWord mode) {
    std::wstring name = Wide(fileName);
    return ToPersistFile(file)->Load(name.c_str(), mode);
}

}  // namespace plat::win32
