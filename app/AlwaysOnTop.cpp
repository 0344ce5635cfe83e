#include "app/AlwaysOnTop.h"

#include "app/Texts.h"
#include "platform/Text.h"
#include "res/resource.h"

namespace qv {

void AppendAlwaysOnTopItem(HMENU hSystemMenu) {
    ::AppendMenuW(hSystemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(hSystemMenu, MF_STRING, IDM_ALWAYS_ON_TOP, WideFromGbk(kAlwaysOnTop).c_str());
}

void CheckAlwaysOnTopItem(HWND hWnd, HMENU hSystemMenu) {
    ::CheckMenuItem(hSystemMenu, IDM_ALWAYS_ON_TOP, MF_BYCOMMAND | (IsAlwaysOnTop(hWnd) ? MF_CHECKED : MF_UNCHECKED));
}

void ToggleAlwaysOnTop(HWND hWnd) {
    ::SetWindowPos(hWnd, IsAlwaysOnTop(hWnd) ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool IsAlwaysOnTop(HWND hWnd) { return (::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

}  // namespace qv
