// Resampling of skin artwork to the size a display's scale asks for. Portable: the sanitizer runs
// build and test it natively too.
#pragma once

#include <cstdint>
#include <vector>

namespace qv {

// A picture of 32-bit pixels, rows top-down, each pixel 0xAARRGGBB: in memory blue, green, red,
// then a fourth byte, as in a 32-bit Windows bitmap.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

// The nFrames frames of strip (side by side, each strip.width / nFrames wide; leftover columns
// are dropped), each resampled on its own to frameWidth x frameHeight and laid side by side again,
// so no frame bleeds into its neighbour. The filter is Catmull-Rom, widened when shrinking so that
// every source pixel counts.
//
// Pixels of colour key (0xRRGGBB) are holes: they lend no colour to their neighbours, a result
// pixel that is mostly hole is key again, and no other result pixel has the key colour, so keyed
// edges stay clean for a keyed copy. The fourth byte of every result pixel is 0. Empty when the
// sizes make no picture.
Pixels ResampleFrames(const Pixels& strip, int nFrames, int frameWidth, int frameHeight, std::uint32_t key);

}  // namespace qv
