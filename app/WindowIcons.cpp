#include "app/WindowIcons.h"

#include "platform/Dpi.h"

namespace {

// Gives hWnd hIcon as its ICON_SMALL or ICON_BIG (which), owned by icon from now on.
void Replace(HWND hWnd, WPARAM which, CIcon& icon, HICON hIcon) {
    if (!hIcon) return;
    ::SendMessageW(hWnd, WM_SETICON, which, reinterpret_cast<LPARAM>(hIcon));
    // The window shows the new icon now: the one it showed until then can go.
    icon.Attach(hIcon);
}

}  // namespace

void CWindowIcons::Show(HWND hWnd, HINSTANCE hModule, UINT nID, UINT dpi) {
    Replace(hWnd, ICON_SMALL, m_small, qv::LoadSmallIconForDpi(hModule, nID, dpi));
    Replace(hWnd, ICON_BIG, m_large, qv::LoadLargeIconForDpi(hModule, nID, dpi));
}
