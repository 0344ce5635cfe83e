// The mark a skinned control shows while it has the keyboard focus and the window shows keyboard
// cues: two rings just inside its edge, the outer light and the inner dark, so that it stands out
// on the skin's light faces and its dark ones alike. Each ring is a pixel wide at 96 DPI and as
// many more as the display is scaled.
#pragma once

#include <windows.h>

namespace qv {

struct FocusMarkColours {
    COLORREF crOuter;
    COLORREF crInner;
};

// The skin's own: the frame's light gold around its darkest brown.
inline constexpr FocusMarkColours kSkinFocusMark = {RGB(236, 184, 92), RGB(34, 19, 3)};

// Draws the mark inside rect, a control's rectangle on hdc, for a display at dpi.
void DrawFocusMark(HDC hdc, const RECT& rect, UINT dpi, const FocusMarkColours& colours);

}  // namespace qv
