// The skin's artwork at a display's scale. Beside each skin bitmap resource lies its art drawn at
// twice the size: a PNG resource of type "PNG" with the bitmap's id. A bitmap wanted at its own
// size is used as it is, so 100 % shows exactly the bitmaps; at any other size the picture comes
// from the 2x art (as it is at twice the size, resampled otherwise), or, where the 2x art cannot
// be had, from the bitmap resampled.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/Gdi.h"

namespace qv {

// Bitmap resource nID of hModule, its nFrames frames (side by side) each frameSize, as a DIB
// section the caller owns: at the bitmap's own size the bitmap itself, else a 24-bit one. Pixels
// of the strips' key colour (magenta) stay exactly that, so a keyed copy leaves them out as
// before; no other pixel takes it. Null on failure.
HBITMAP LoadSkinArt(HINSTANCE hModule, UINT nID, int nFrames, SIZE frameSize);

// The size of bitmap resource nID of hModule, read from its header; 0 x 0 when there is none.
SIZE GetSkinBitmapSize(HINSTANCE hModule, UINT nID);

// A picture composed of skin artwork in place, of which only what can show is kept: told what
// other windows always cover (the panes), it keeps the rest as a few rectangular parts. Each part
// is a memory context holding a top-down 24-bit DIB section (colour only, as the screen shows it),
// in the whole picture's coordinates. Each piece of art is drawn straight from the resources into
// every part it meets, so that no bitmap of the art is kept beside them.
class CSkinSurface {
public:
    CSkinSurface() = default;
    CSkinSurface(const CSkinSurface&) = delete;
    CSkinSurface& operator=(const CSkinSurface&) = delete;
    ~CSkinSurface() { Destroy(); }

    // Makes the surface size large, black, for drawing on hdc's device, keeping what none of
    // covered overlaps; what it held before goes. False, with the surface empty, on failure.
    bool Create(HDC hdc, SIZE size, const std::vector<RECT>& covered = {});
    void Destroy();
    // The rectangles kept, top to bottom.
    std::vector<RECT> Parts() const;

    // Draws bitmap resource nID of hModule with its top-left corner at `at`, size large: the
    // picture LoadSkinArt makes of it as one frame of that size. Its 2x art of exactly that size is
    // decoded a band of rows at a time; the bitmap itself at its own size is copied from the
    // resource. False when the picture cannot be had (nothing is drawn, unless a decode fails
    // part of the way) or would not lie wholly inside the surface (nothing is drawn).
    bool DrawArt(HINSTANCE hModule, UINT nID, POINT at, SIZE size) const;

    // Calls draw(dc) with the context of each part (text, fills): what is drawn outside the part
    // is clipped away.
    template <typename Draw>
    void DrawOnParts(const Draw& draw) const {
        for (const auto& part : m_parts) draw(part->dc);
    }

    // Copies each part to its place on hdc, the picture's top-left corner at hdc's origin.
    void CopyTo(HDC hdc) const;

private:
    struct Part {
        RECT place;
        CBitmap bitmap;
        CDC dc;
    };

    // Sets rows of a picture (header and bits, as SetDIBitsToDevice takes them) with their top-left
    // corner at `at` into every part; false when a part would not take them.
    bool PutRows(const BITMAPINFO& info, const void* bits, POINT at, SIZE size) const;

    std::vector<std::unique_ptr<Part>> m_parts;
    SIZE m_size = {0, 0};
};

}  // namespace qv
