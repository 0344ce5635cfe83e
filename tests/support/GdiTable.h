// The GDI objects of this process, read from the GDI handle table the process environment block
// points at (Windows and Wine keep it in the same layout). Wine does not implement
// GetGuiResources, and no call lists the bitmaps a process holds.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace qvtest {

// Handles of the live entries of the table; empty when it cannot be read. On Windows the table is
// shared, so it also holds other processes' objects, which are no objects in this one.
std::vector<HGDIOBJ> LiveGdiHandles();

// A bitmap this process holds, with what its pixels take.
struct HeldBitmap {
    HGDIOBJ handle;
    int width;
    int height;
    int bitsPerPixel;
    bool dibSection;  // else a device bitmap (CreateCompatibleBitmap and the like)
    size_t bytes;     // rows times their stride
};
std::vector<HeldBitmap> HeldBitmaps();

}  // namespace qvtest
