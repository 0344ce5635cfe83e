// "Always on top" in the main window's system menu, for a tool used beside a game played in a
// window: checked while the window stays above other programs' windows, and choosing it switches
// that. It is not stored (the tool keeps no settings): every start is as before.
#pragma once

#include <windows.h>

namespace qv {

// Appends a separator and the item, system command IDM_ALWAYS_ON_TOP, to the system menu.
void AppendAlwaysOnTopItem(HMENU hSystemMenu);
// Checks the item as hWnd is now, whoever made it so; for when the menu opens.
void CheckAlwaysOnTopItem(HWND hWnd, HMENU hSystemMenu);
// Keeps hWnd above other windows if it was not, and no longer if it was.
void ToggleAlwaysOnTop(HWND hWnd);
// Whether hWnd stays above windows that are not kept on top (WS_EX_TOPMOST).
bool IsAlwaysOnTop(HWND hWnd);

}  // namespace qv
