// The icons a window shows for itself (title band, taskbar, Alt+Tab): an icon resource at the
// small- and large-icon sizes of the window's DPI, each the image made for its size. They are
// owned here, the window only shows them: each pair goes once the window has the next, and the
// last with this object, which outlives the window.
#pragma once

#include <windows.h>

#include "platform/Gdi.h"

class CWindowIcons {
public:
    CWindowIcons() = default;
    CWindowIcons(const CWindowIcons&) = delete;
    CWindowIcons& operator=(const CWindowIcons&) = delete;

    // Gives hWnd icon nID of hModule at the sizes of dpi, in place of those it had from here. A
    // size that cannot be loaded keeps the icon it had.
    void Show(HWND hWnd, HINSTANCE hModule, UINT nID, UINT dpi);

private:
    CIcon m_small;
    CIcon m_large;
};
