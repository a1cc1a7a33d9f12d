// A picture for the picture control: a bitmap file, or a JPEG, GIF, icon or
// metafile through the system's OLE picture object. Drawn at its natural size
// from the top-left corner; the control's bounds clip it.
#pragma once

#include <windows.h>

#include <string>

struct IPicture;

namespace plat::win32 {

class Picture {
public:
    Picture() = default;
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Replaces the picture with the file's; on failure the old one stays.
    bool Load(const std::string& path);
    void Draw(HDC dc) const;

private:
    void Clear();

    HBITMAP bitmap_ = nullptr;
    int bitmapWidth_ = 0;
    int bitmapHeight_ = 0;
    IPicture* picture_ = nullptr;
};

}  // namespace plat::win32
