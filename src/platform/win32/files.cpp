#include <windows.h>

#include "platform/win32/win32_os.h"

namespace plat::win32 {

namespace {

void Convert(const WIN32_FIND_DATAA& found, FindData* data) {
    if (data == nullptr) return;
    data->attributes = found.dwFileAttributes;
    data->size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    data->name = found.cFileName;
}

}  // namespace

DWord Win32Files::GetFileAttributesA(const std::string& path) {
    return error_.Track(::GetFileAttributesA(path.c_str()));
}

Bool Win32Files::SetFileAttributesA(const std::string& path, DWord attributes) {
    return error_.Track(::SetFileAttributesA(path.c_str(), attributes));
}

Bool Win32Files::DeleteFileA(const std::string& path) {
    return error_.Track(::DeleteFileA(path.c_str()));
}

Bool Win32Files::CopyFileA(const std::string& existing, const std::string& target, Bool failIfExists) {
    return error_.Track(::CopyFileA(existing.c_str(), target.c_str(), failIfExists));
}

Bool Win32Files::MoveFileExA(const std::string& existing, const std::string& target, DWord flags) {
    return error_.Track(::MoveFileExA(existing.c_str(), target.empty() ? nullptr : target.c_str(), flags));
}

Bool Win32Files::CreateDirectoryA(const std::string& path) {
    return error_.Track(::CreateDirectoryA(path.c_str(), nullptr));
}

Bool Win32Files::RemoveDirectoryA(const std::string& path) {
    return error_.Track(::RemoveDirectoryA(path.c_str()));
}

DWord Win32Files::GetCurrentDirectoryA(std::string* path) {
    std::vector<char> buffer(MAX_PATH + 1);
    DWORD length = error_.Track(::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data()));
    if (length >= buffer.size()) {  // the answer is the size needed
        buffer.resize(length + 1);
        length = error_.Track(::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data()));
    }
    if (path != nullptr)
        path->assign(length > 0 && length < buffer.size() ? std::string(buffer.data(), length) : "");
    return length;
}

Bool Win32Files::SetCurrentDirectoryA(const std::string& path) {
    return error_.Track(::SetCurrentDirectoryA(path.c_str()));
}

Handle Win32Files::FindFirstFileA(const std::string& pattern, FindData* data) {
    WIN32_FIND_DATAA found{};
    HANDLE find = error_.Track(::FindFirstFileA(pattern.c_str(), &found));
    if (find != INVALID_HANDLE_VALUE) Convert(found, data);
    return FromHandle(find);
}

Bool Win32Files::FindNextFileA(Handle find, FindData* data) {
    WIN32_FIND_DATAA found{};
    BOOL ok = error_.Track(::FindNextFileA(ToHandle(find), &found));
    if (ok) Convert(found, data);
    return ok;
}

Bool Win32Files::FindClose(Handle find) {
    return error_.Track(::FindClose(ToHandle(find)));
}

Bool Win32Files::ReadWholeFile(const std::string& path, std::string* contents) {
    HANDLE file = error_.Track(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    std::string text;
    char chunk[65536];
    BOOL ok = TRUE;
    for (;;) {
        DWORD read = 0;
        ok = error_.Track(::ReadFile(file, chunk, sizeof(chunk), &read, nullptr));
        if (!ok || read == 0) break;
        text.append(chunk, read);
    }
    DWORD readError = error_.Value();
    ::CloseHandle(file);
    if (!ok) {
        ::SetLastError(readError);  // report the read failure, not the close
        error_.Capture();
        return FALSE;
    }
    error_.Capture();
    if (contents != nullptr) *contents = std::move(text);
    return TRUE;
}

Bool Win32Files::WriteWholeFile(const std::string& path, const std::string& contents) {
    HANDLE file = error_.Track(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    BOOL ok = TRUE;
    std::size_t done = 0;
    while (ok && done < contents.size()) {
        DWORD written = 0;
        DWORD size =
            static_cast<DWORD>(contents.size() - done < 0x100000 ? contents.size() - done : 0x100000);
        ok = error_.Track(::WriteFile(file, contents.data() + done, size, &written, nullptr));
        if (ok && written == 0) break;
        done += written;
    }
    DWORD writeError = error_.Value();
    BOOL closed = error_.Track(::CloseHandle(file));
    if (!ok) {
        ::SetLastError(writeError);
        error_.Capture();
        return FALSE;
    }
    return closed;
}

Handle Win32Files::CreateFileA(const std::string& path, DWord desiredAccess, DWord shareMode,
                               DWord creationDisposition, DWord flagsAndAttributes) {
    return FromHandle(error_.Track(::CreateFileA(path.c_str(), desiredAccess, shareMode, nullptr,
                                                 creationDisposition, flagsAndAttributes, nullptr)));
}

Bool Win32Files::WriteFile(Handle file, const void* data, DWord size, DWord* written) {
    DWORD done = 0;
    BOOL ok = error_.Track(::WriteFile(ToHandle(file), data, size, &done, nullptr));
    if (written != nullptr) *written = done;
    return ok;
}

}  // namespace plat::win32
