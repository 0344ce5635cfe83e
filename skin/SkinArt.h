// The skin's artwork at a display's scale. Beside each skin bitmap resource lies its art drawn at
// twice the size: a PNG resource of type "PNG" with the bitmap's id. A bitmap wanted at its own
// size is used as it is, so 100 % shows exactly the bitmaps; at any other size the picture comes
// from the 2x art (as it is at twice the size, resampled otherwise), or, where the 2x art cannot
// be had, from the bitmap resampled.
#pragma once

#include <windows.h>

#include "platform/Gdi.h"

namespace qv {

// Bitmap resource nID of hModule, its nFrames frames (side by side) each frameSize, as a DIB
// section the caller owns: at the bitmap's own size the bitmap itself, else a 24-bit one. Pixels
// of the strips' key colour (magenta) stay exactly that, so a keyed copy leaves them out as
// before; no other pixel takes it. Null on failure.
HBITMAP LoadSkinArt(HINSTANCE hModule, UINT nID, int nFrames, SIZE frameSize);

// The size of bitmap resource nID of hModule, read from its header; 0 x 0 when there is none.
SIZE GetSkinBitmapSize(HINSTANCE hModule, UINT nID);

// A picture composed of skin artwork in place: a memory context holding a top-down 24-bit DIB
// section (colour only, as the screen shows it), into which each piece of art is drawn straight
// from the resources, so that no bitmap of the art is kept beside it. The context is the
// surface's own; what else is drawn with it (text) is the caller's.
class CSkinSurface : public CDC {
public:
    CSkinSurface() = default;
    ~CSkinSurface() override { Destroy(); }

    // Makes the surface size large, black, for drawing on hdc's device; what it held before goes.
    // False, with the surface empty, on failure.
    bool Create(HDC hdc, SIZE size);
    void Destroy();

    // Draws bitmap resource nID of hModule with its top-left corner at `at`, size large: the
    // picture LoadSkinArt makes of it as one frame of that size. Its 2x art of exactly that size is
    // decoded straight into the surface; the bitmap itself at its own size is copied from the
    // resource. False when the picture cannot be had (nothing is drawn, unless a decode fails
    // part of the way) or would not lie wholly inside the surface (nothing is drawn).
    bool DrawArt(HINSTANCE hModule, UINT nID, POINT at, SIZE size) const;

private:
    CBitmap m_bitmap;
    BYTE* m_pBits = nullptr;
    int m_nStride = 0;
    SIZE m_size = {0, 0};
};

}  // namespace qv
