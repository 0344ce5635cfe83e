// How the panel a pane shows in place of its page looks: its ground, its line and the mark that
// moves while a page is on its way, and its button at rest, under the pointer, pressed and
// focused. Every colour comes from the pane's owner, which can give the system's own where the
// user asked for high contrast. The font stays its owner's and must outlive the pane; without
// one the panel takes the system's GUI font.
#pragma once

#include <windows.h>

struct PanelLook {
    HFONT hFont = nullptr;
    COLORREF crBackground = RGB(255, 255, 255);
    COLORREF crText = RGB(0, 0, 0);  // the line, and the mark moving along its track
    COLORREF crButtonFace = RGB(225, 225, 225);  // the button at rest, and the mark's track
    COLORREF crButtonHot = RGB(229, 241, 251);   // under the pointer
    COLORREF crButtonPressed = RGB(204, 228, 247);
    COLORREF crButtonText = RGB(0, 0, 0);
    COLORREF crButtonEdge = RGB(173, 173, 173);
    COLORREF crFocus = RGB(0, 0, 0);  // the ring inside the edge of the button with the focus
};

inline HFONT PanelFont(const PanelLook& look) {
    return look.hFont ? look.hFont : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}
