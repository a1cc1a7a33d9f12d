#include <windows.h>

#include "platform/win32/win32_os.h"

namespace plat::win32 {

// The predefined keys are negative 32-bit values that Windows sign-extends in
// 64-bit builds; the seam carries them as their 32-bit pattern.
HKEY ToHkey(HKey key) {
    if (key >= 0x80000000u && key <= 0x800000FFu)
        return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<DWORD>(key))));
    return reinterpret_cast<HKEY>(key);
}

namespace {
HKey FromHkey(HKEY key) {
    return reinterpret_cast<HKey>(key);
}
}  // namespace

Long Win32Registry::RegOpenKeyExA(HKey key, const std::string& subKey, DWord options, DWord samDesired,
                                  HKey* result) {
    HKEY opened = nullptr;
    LONG status = error_.Track(::RegOpenKeyExA(ToHkey(key), subKey.c_str(), options, samDesired, &opened));
    if (result != nullptr) *result = status == ERROR_SUCCESS ? FromHkey(opened) : 0;
    return status;
}

Long Win32Registry::RegCreateKeyExA(HKey key, const std::string& subKey, DWord options, DWord samDesired,
                                    HKey* result, DWord* disposition) {
    HKEY created = nullptr;
    DWORD how = 0;
    LONG status = error_.Track(::RegCreateKeyExA(ToHkey(key), subKey.c_str(), 0, nullptr, options, samDesired,
                                                 nullptr, &created, &how));
    if (result != nullptr) *result = status == ERROR_SUCCESS ? FromHkey(created) : 0;
    if (disposition != nullptr) *disposition = how;
    return status;
}

Long Win32Registry::RegCloseKey(HKey key) {
    return error_.Track(::RegCloseKey(ToHkey(key)));
}

Long Win32Registry::RegQueryValueExA(HKey key, const std::string& valueName, DWord* type,
                                     std::vector<std::uint8_t>* data) {
    DWORD valueType = 0;
    DWORD size = 0;
    LONG status =
        error_.Track(::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, nullptr, &size));
    if (status == ERROR_SUCCESS && data != nullptr) {
        data->clear();
        // The value can grow between the size query and the read.
        while (status == ERROR_SUCCESS && size > 0) {
            data->resize(size);
            DWORD read = size;
            status = error_.Track(
                ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, data->data(), &read));
            if (status == ERROR_MORE_DATA) {
                size = read > size ? read : size * 2;
                status = ERROR_SUCCESS;
                continue;
            }
            if (status == ERROR_SUCCESS) data->resize(read);
            break;
        }
    }
    if (type != nullptr && status == ERROR_SUCCESS) *type = valueType;
    return status;
}

Long Win32Registry::RegSetValueExA(HKey key, const std::string& valueName, DWord type,
                                   const std::vector<std::uint8_t>& data) {
    return error_.Track(::RegSetValueExA(ToHkey(key), valueName.c_str(), 0, type, data.data(),
                                         static_cast<DWORD>(data.size())));
}

Long Win32Registry::RegDeleteValueA(HKey key, const std::string& valueName) {
    return error_.Track(::RegDeleteValueA(ToHkey(key), valueName.c_str()));
}

Long Win32Registry::RegDeleteKeyA(HKey key, const std::string& subKey) {
    return error_.Track(::RegDeleteKeyA(ToHkey(key), subKey.c_str()));
}

Long Win32Registry::RegEnumKeyExA(HKey key, DWord index, std::string* name) {
    char buffer[256];  // longest key name plus NUL
    DWORD length = sizeof(buffer);
    LONG status = error_.Track(
        ::RegEnumKeyExA(ToHkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr));
    if (name != nullptr) name->assign(status == ERROR_SUCCESS ? std::string(buffer, length) : std::string());
    return status;
}

Long Win32Registry::RegEnumValueA(HKey key, DWord index, std::string* name, DWord* type) {
    std::vector<char> buffer(16384);  // longest value name plus NUL
    DWORD length = static_cast<DWORD>(buffer.size());
    DWORD valueType = 0;
    LONG status = error_.Track(
        ::RegEnumValueA(ToHkey(key), index, buffer.data(), &length, nullptr, &valueType, nullptr, nullptr));
    if (name != nullptr)
        name->assign(status == ERROR_SUCCESS ? std::string(buffer.data(), length) : std::string());
    if (type != nullptr && status == ERROR_SUCCESS) *type = valueType;
    return status;
}

}  // namespace plat::win32
