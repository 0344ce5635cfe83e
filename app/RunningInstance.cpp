#include "app/RunningInstance.h"

#include <string>

#include "app/Texts.h"
#include "platform/Text.h"

namespace qv {
namespace {

constexpr wchar_t kMarkProperty[] = L"QuilVara.MainWindow";
const HANDLE kMark = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x51564D57));
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr DWORD kPollIntervalMs = 50;

}  // namespace

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

bool BringRunningInstanceForward(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    HWND hWnd;
    while (!(hWnd = FindMarkedMainWindow())) {
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(kPollIntervalMs);
    }
    // Both requests are queued for the window's thread, which carries them out when it runs;
    // the normal show also restores a minimised window and raises it. This process was just
    // started by the user, so it may hand the foreground on.
    ::ShowWindowAsync(hWnd, SW_SHOWNORMAL);
    ::SetForegroundWindow(hWnd);
    return true;
}

}  // namespace qv
