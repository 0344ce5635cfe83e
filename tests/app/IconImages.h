// Icons as their pixels, to tell which of an icon resource's images a loaded icon was made from.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

namespace qvtest {

struct IconImage {
    LONG width = 0;
    LONG height = 0;
    std::vector<DWORD> pixels;  // BGRA, top-down

    bool operator==(const IconImage& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// What hIcon shows, read from its colour bitmap; empty for no icon or one that is gone.
inline IconImage Pixels(HICON hIcon) {
    IconImage image;
    ICONINFO info{};
    if (!hIcon || !::GetIconInfo(hIcon, &info)) return image;
    BITMAP colour{};
    ::GetObjectW(info.hbmColor, sizeof colour, &colour);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = colour.bmWidth;
    format.bmiHeader.biHeight = -colour.bmHeight;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    image.pixels.resize(static_cast<size_t>(colour.bmWidth) * colour.bmHeight);
    const HDC hScreen = ::GetDC(nullptr);
    if (::GetDIBits(hScreen, info.hbmColor, 0, colour.bmHeight, image.pixels.data(), &format, DIB_RGB_COLORS)) {
        image.width = colour.bmWidth;
        image.height = colour.bmHeight;
    } else {
        image.pixels.clear();
    }
    ::ReleaseDC(nullptr, hScreen);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return image;
}

// The pixels of the size x size image stored in icon resource nID of this program (a bitmap or a
// PNG), made into an icon by itself; empty when there is no such image.
inline IconImage StoredImage(UINT nID, LONG size) {
    const HMODULE hModule = ::GetModuleHandleW(nullptr);
    const auto data = [hModule](UINT id, const char* type, DWORD* pSize) -> BYTE* {
        const HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(id), type);
        if (pSize) *pSize = hResource ? ::SizeofResource(hModule, hResource) : 0;
        return hResource ? static_cast<BYTE*>(::LockResource(::LoadResource(hModule, hResource))) : nullptr;
    };
    const BYTE* group = data(nID, RT_GROUP_ICON, nullptr);
    WORD count = 0;
    if (group) std::memcpy(&count, group + 4, sizeof count);
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + 14 * i;  // GRPICONDIRENTRY; 0 stands for 256
        if ((entry[0] ? entry[0] : 256) != size) continue;
        WORD id = 0;
        std::memcpy(&id, entry + 12, sizeof id);
        DWORD bytes = 0;
        BYTE* image = data(id, RT_ICON, &bytes);
        const HICON hIcon = image ? ::CreateIconFromResourceEx(image, bytes, TRUE, 0x00030000, size, size, 0) : nullptr;
        const IconImage pixels = Pixels(hIcon);
        if (hIcon) ::DestroyIcon(hIcon);
        return pixels;
    }
    return IconImage();
}

}  // namespace qvtest
