#include "app/KeyboardNavigation.h"

#include "platform/Controls.h"

namespace {

bool IsPane(HWND hWnd) { return (::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0; }

// The first (bLast: the last) tab stop inside hParent that can take the focus, stepping into panes
// as the dialog manager does; null when there is none.
HWND TabStopInside(HWND hParent, bool bLast) {
    HWND found = nullptr;
    for (HWND hChild = ::GetWindow(hParent, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(hChild) || !::IsWindowEnabled(hChild)) continue;
        const HWND candidate = IsPane(hChild)                                        ? TabStopInside(hChild, bLast)
                               : (::GetWindowLongW(hChild, GWL_STYLE) & WS_TABSTOP) ? hChild
                                                                                    : nullptr;
        if (candidate) {
            found = candidate;
            if (!bLast) break;
        }
    }
    return found;
}

// A button of this program's (the skin buttons, a pane's), which presses itself on Space.
bool IsOwnButton(HWND hWnd) {
    const CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    return pWnd && pWnd->IsKindOf(RUNTIME_CLASS(CButton));
}

// Presses hWnd as a click does: its parent hears of it as a command.
void Press(HWND hWnd) {
    ::PostMessageW(::GetParent(hWnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hWnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hWnd));
}

}  // namespace

void CKeyboardNavigation::Init(HWND hDialog, std::initializer_list<Control> controls, HWND hBar) {
    m_hDialog = hDialog;
    m_hBar = hBar;
    m_nControls = 0;
    for (const Control& control : controls)
        if (control.hWnd && m_nControls < kMaxControls) m_controls[m_nControls++] = control;
    ApplyOrder();
}

void CKeyboardNavigation::ApplyOrder() const {
    // No two controls overlap, so their order changes nothing on screen.
    HWND hAfter = HWND_TOP;
    for (size_t i = 0; i < m_nControls; ++i) {
        ::SetWindowPos(m_controls[i].hWnd, hAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        hAfter = m_controls[i].hWnd;
    }
}

void CKeyboardNavigation::SetReachable(HWND hWnd, bool bReachable) const {
    if (!hWnd) return;
    const HWND hFocus = ::GetFocus();
    const bool bHoldsFocus = hFocus && (hFocus == hWnd || ::IsChild(hWnd, hFocus));
    ::EnableWindow(hWnd, bReachable);
    if (bReachable || !bHoldsFocus) return;
    const int index = IndexOf(hWnd);
    for (size_t step = 1; index >= 0 && step < m_nControls; ++step) {
        const HWND hNext = m_controls[(index + step) % m_nControls].hWnd;
        if (IsReachable(hNext)) {
            FocusInto(hNext, false);
            return;
        }
    }
}

bool CKeyboardNavigation::PreTranslateMessage(const MSG& msg) const {
    switch (msg.message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            ShowCues(false);
            return false;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            ShowCues(true);
            break;
        default:
            return false;
    }
    if (msg.message != WM_KEYDOWN) return false;
    const bool bShift = ::GetKeyState(VK_SHIFT) < 0;
    const bool bRepeat = (msg.lParam & (1 << 30)) != 0;
    switch (msg.wParam) {
        case VK_F6:
            MoveToRegion(msg.hwnd, bShift);
            return true;
        case VK_TAB:
            // The focus rests on a pane itself (what held it inside went away): into the pane first.
            if (!IsControl(msg.hwnd) || !IsPane(msg.hwnd) || !TabStopInside(msg.hwnd, bShift)) return false;
            FocusInto(msg.hwnd, bShift);
            return true;
        case VK_RETURN:
            if (!IsOwnButton(msg.hwnd) && msg.hwnd != m_hBar) return false;
            if (!bRepeat) Press(msg.hwnd);
            return true;
        case VK_SPACE:
            if (IsOwnButton(msg.hwnd)) {
                // Past the window's key filter, to the button, which presses itself.
                ::DispatchMessageW(&msg);
                return true;
            }
            if (msg.hwnd != m_hBar) return false;
            if (!bRepeat) Press(msg.hwnd);
            return true;
        default:
            return false;
    }
}

int CKeyboardNavigation::IndexOf(HWND hWnd) const {
    for (size_t i = 0; hWnd && i < m_nControls; ++i)
        if (m_controls[i].hWnd == hWnd || ::IsChild(m_controls[i].hWnd, hWnd)) return static_cast<int>(i);
    return -1;
}

bool CKeyboardNavigation::IsControl(HWND hWnd) const {
    for (size_t i = 0; i < m_nControls; ++i)
        if (m_controls[i].hWnd == hWnd) return true;
    return false;
}

bool CKeyboardNavigation::IsReachable(HWND hWnd) { return ::IsWindowVisible(hWnd) && ::IsWindowEnabled(hWnd); }

void CKeyboardNavigation::FocusInto(HWND hWnd, bool bLast) const {
    const HWND hInside = IsPane(hWnd) ? TabStopInside(hWnd, bLast) : nullptr;
    // As the dialog manager moves the focus, so that it keeps its own state.
    ::SendMessageW(m_hDialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hInside ? hInside : hWnd), TRUE);
}

void CKeyboardNavigation::MoveToRegion(HWND hFocus, bool bBackward) const {
    int regions[kMaxControls];
    int count = 0;
    for (size_t i = 0; i < m_nControls; ++i)
        if (m_controls[i].bStartsRegion && IsReachable(m_controls[i].hWnd)) regions[count++] = static_cast<int>(i);
    if (count == 0) return;
    // The region the focus is in: the last that begins at or before it (none before the first).
    const int at = IndexOf(hFocus);
    int current = -1;
    for (int k = 0; k < count; ++k)
        if (regions[k] <= at) current = k;
    const int target = bBackward ? (current <= 0 ? count - 1 : current - 1) : (current + 1) % count;
    FocusInto(m_controls[regions[target]].hWnd, false);
}

void CKeyboardNavigation::ShowCues(bool bShow) const {
    const bool bShown = !(::SendMessageW(m_hDialog, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    if (bShown == bShow) return;
    // The window tells every window inside it (WM_UPDATEUISTATE); a system set to show the cues
    // always keeps them.
    ::SendMessageW(m_hDialog, WM_CHANGEUISTATE, MAKEWPARAM(bShow ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS), 0);
}
