// The skin's artwork at a display's scale. Beside each skin bitmap resource lies its art drawn at
// twice the size: a PNG resource of type "PNG" with the bitmap's id. A bitmap wanted at its own
// size is used as it is, so 100 % shows exactly the bitmaps; at any other size the picture comes
// from the 2x art (as it is at twice the size, resampled otherwise), or, where the 2x art cannot
// be had, from the bitmap resampled.
#pragma once

#include <windows.h>

namespace qv {

// Bitmap resource nID of hModule, its nFrames frames (side by side) each frameSize, as a DIB
// section the caller owns. Pixels of the strips' key colour (magenta) stay exactly that, so a
// keyed copy leaves them out as before; no other pixel takes it. Null on failure.
HBITMAP LoadSkinArt(HINSTANCE hModule, UINT nID, int nFrames, SIZE frameSize);

// The size of bitmap resource nID of hModule, read from its header; 0 x 0 when there is none.
SIZE GetSkinBitmapSize(HINSTANCE hModule, UINT nID);

}  // namespace qv
