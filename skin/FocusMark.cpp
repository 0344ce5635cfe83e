#include "skin/FocusMark.h"

#include <algorithm>

#include "platform/Dpi.h"

namespace qv {
namespace {

// A ring of width inside outer, in colour.
void FillRing(HDC hdc, const RECT& outer, int width, COLORREF colour) {
    const RECT sides[] = {
        {outer.left, outer.top, outer.right, outer.top + width},
        {outer.left, outer.bottom - width, outer.right, outer.bottom},
        {outer.left, outer.top + width, outer.left + width, outer.bottom - width},
        {outer.right - width, outer.top + width, outer.right, outer.bottom - width},
    };
    const COLORREF previous = ::SetBkColor(hdc, colour);
    for (const RECT& side : sides) ::ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &side, nullptr, 0, nullptr);
    ::SetBkColor(hdc, previous);
}

}  // namespace

void DrawFocusMark(HDC hdc, const RECT& rect, UINT dpi, const FocusMarkColours& colours) {
    // A pixel in from the edge, which the skin's faces draw as their border.
    const int unit = std::max(1, ScaleToDpi(1, dpi));
    RECT ring = rect;
    ::InflateRect(&ring, -unit, -unit);
    FillRing(hdc, ring, unit, colours.crOuter);
    ::InflateRect(&ring, -unit, -unit);
    FillRing(hdc, ring, unit, colours.crInner);
}

}  // namespace qv
