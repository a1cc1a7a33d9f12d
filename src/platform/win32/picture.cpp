#include "platform/win32/picture.h"

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <cctype>
#include <iterator>

#include "platform/ui.h"

namespace plat::win32 {

namespace {

std::string LowerExtension(const std::string& path) {
    auto dot = path.find_last_of('.');
    auto slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// The OLE picture object reads from a stream, so the file goes into memory first.
IPicture* LoadOlePicture(const std::string& path) {
    static const bool comReady = SUCCEEDED(::CoInitialize(nullptr));
    (void)comReady;  // already initialised in another mode is fine for a picture object

    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    DWORD size = ::GetFileSize(file, nullptr);
    HGLOBAL memory = size != INVALID_FILE_SIZE && size > 0 ? ::GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
    bool read = false;
    if (memory != nullptr) {
        void* bytes = ::GlobalLock(memory);
        DWORD got = 0;
        read = bytes != nullptr && ::ReadFile(file, bytes, size, &got, nullptr) && got == size;
        ::GlobalUnlock(memory);
    }
    ::CloseHandle(file);
    if (!read) {
        if (memory != nullptr) ::GlobalFree(memory);
        return nullptr;
    }
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        ::GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    HRESULT loaded = ::OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                      reinterpret_cast<void**>(&picture));
    stream->Release();
    return SUCCEEDED(loaded) ? picture : nullptr;
}

}  // namespace

Picture::~Picture() {
    Clear();
}

void Picture::Clear() {
    if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    if (picture_ != nullptr) picture_->Release();
    bitmap_ = nullptr;
    picture_ = nullptr;
    bitmapWidth_ = bitmapHeight_ = 0;
}

bool Picture::Load(const std::string& path) {
    std::string ext = LowerExtension(path);
    if (ext == "bmp") {
        auto* bitmap = static_cast<HBITMAP>(
            ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        if (bitmap == nullptr) return false;
        BITMAP info{};
        ::GetObjectA(bitmap, sizeof(info), &info);
        Clear();
        bitmap_ = bitmap;
        bitmapWidth_ = info.bmWidth;
        bitmapHeight_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
        return true;
    }
    // Every other picture file goes through the OLE picture object.
    if (std::find(std::begin(kPictureExtensions), std::end(kPictureExtensions), ext) !=
        std::end(kPictureExtensions)) {
        IPicture* picture = LoadOlePicture(path);
        if (picture == nullptr) return false;
        Clear();
        picture_ = picture;
        return true;
    }
    return false;
}

void Picture::Draw(HDC dc) const {
    if (bitmap_ != nullptr) {
        HDC memory = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(memory, bitmap_);
        ::BitBlt(dc, 0, 0, bitmapWidth_, bitmapHeight_, memory, 0, 0, SRCCOPY);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
    } else if (picture_ != nullptr) {
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        picture_->get_Width(&width);
        picture_->get_Height(&height);
        // HIMETRIC is 1/100 mm: 2540 per inch.
        int pixelsWide = ::MulDiv(width, ::GetDeviceCaps(dc, LOGPIXELSX), 2540);
        int pixelsHigh = ::MulDiv(height, ::GetDeviceCaps(dc, LOGPIXELSY), 2540);
        picture_->Render(dc, 0, 0, pixelsWide, pixelsHigh, 0, height, width, -height, nullptr);
    }
}

}  // namespace plat::win32
