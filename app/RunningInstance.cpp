#include "app/RunningInstance.h"

#include <string>

#include "app/AlwaysOnTop.h"
#include "app/Texts.h"
#include "platform/Text.h"

namespace qv {
namespace {

constexpr wchar_t kMarkProperty[] = L"QuilVara.MainWindow";
const HANDLE kMark = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x51564D57));
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr DWORD kPollIntervalMs = 50;

// Asks the running instance's window to come forward. Posted, never sent: the instance may hang.
// This process was just started by the user and may hand the foreground on to it.
void AskToComeForward(HWND hMainWnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hMainWnd, &pid);
    if (pid) ::AllowSetForegroundWindow(pid);
    ::PostMessageW(hMainWnd, g_uComeForward, 0, 0);
}

}  // namespace

const UINT g_uComeForward = ::RegisterWindowMessageW(L"QuilVara.ComeForward");

CInstanceClaim::CInstanceClaim(const char* mutexName) {
    // Asked for owned: only a mutex made here is; one that existed is held by another instance,
    // or was until it gave it up.
    ::SetLastError(ERROR_SUCCESS);
    m_hMutex = ::CreateMutexW(nullptr, TRUE, WideFromGbk(mutexName).c_str());
    m_bHeld = m_hMutex && ::GetLastError() != ERROR_ALREADY_EXISTS;
}

CInstanceClaim::~CInstanceClaim() {
    Release();
    if (m_hMutex) ::CloseHandle(m_hMutex);
}

bool CInstanceClaim::Claim(DWORD timeoutMs) {
    if (m_bHeld) return true;
    // Without the mutex (another program may hold an object of another kind under its name) a
    // running instance is still found by its window; one that is only starting cannot be told
    // from none, and the tool runs.
    if (!m_hMutex) {
        const HWND hWnd = FindMarkedMainWindow();
        if (hWnd) AskToComeForward(hWnd);
        return !hWnd;
    }
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND hWnd = FindMarkedMainWindow()) {
            AskToComeForward(hWnd);
            return false;
        }
        // The holder gives the mutex up as its window goes, or abandons it by ending.
        const DWORD wait = ::WaitForSingleObject(m_hMutex, kPollIntervalMs);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return m_bHeld = true;
        if (wait != WAIT_TIMEOUT || ::GetTickCount() - start >= timeoutMs) return false;
    }
}

void CInstanceClaim::Release() {
    if (!m_bHeld) return;
    ::ReleaseMutex(m_hMutex);
    m_bHeld = false;
}

void MarkMainWindow(HWND hWnd) { ::SetPropW(hWnd, kMarkProperty, kMark); }

void UnmarkMainWindow(HWND hWnd) { ::RemovePropW(hWnd, kMarkProperty); }

HWND FindMarkedMainWindow() {
    // Class, title and property are all read from the system's records of the window: none of
    // it sends the window a message.
    const std::wstring title = WideFromGbk(kMainWindowTitle);
    for (HWND hWnd = nullptr; (hWnd = ::FindWindowExW(nullptr, hWnd, kDialogClass, title.c_str()));)
        if (::GetPropW(hWnd, kMarkProperty) == kMark) return hWnd;
    return nullptr;
}

void ComeForward(HWND hMainWnd) {
    // Restored without activating it: while a box is open the main window is disabled, and the
    // box, not the main window, is activated below. The boxes it owns, hidden with it, come back
    // too, and are shown before the one that takes input is looked for.
    if (::IsIconic(hMainWnd) || !::IsWindowVisible(hMainWnd)) ::ShowWindow(hMainWnd, SW_SHOWNOACTIVATE);
    ::ShowOwnedPopups(hMainWnd, TRUE);
    // Above every other program's window, even where the desktop keeps the focus where it is: a
    // desktop that refuses an activation still lets a window stand on top. The boxes the window
    // owns come up with it. A window the user keeps on top stays so.
    constexpr UINT kRaiseOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    const bool bKeptOnTop = IsAlwaysOnTop(hMainWnd);
    ::SetWindowPos(hMainWnd, HWND_TOPMOST, 0, 0, 0, 0, kRaiseOnly);
    if (!bKeptOnTop) ::SetWindowPos(hMainWnd, HWND_NOTOPMOST, 0, 0, 0, 0, kRaiseOnly);
    // While a modal box is open the main window is disabled: the box is what takes input, and a
    // disabled window is never activated (it would ignore every click).
    HWND hTarget = ::GetLastActivePopup(hMainWnd);
    if (!hTarget || !::IsWindowVisible(hTarget) || !::IsWindowEnabled(hTarget))
        hTarget = ::IsWindowEnabled(hMainWnd) ? hMainWnd : nullptr;
    if (hTarget && ::SetForegroundWindow(hTarget) && ::GetForegroundWindow() == hTarget) return;
    // Refused (focus-stealing prevention), or nothing there takes input yet: the taskbar button
    // shows the user where the tool is until they go to it.
    FLASHWINFO flash{sizeof flash, hMainWnd, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    ::FlashWindowEx(&flash);
}

}  // namespace qv
