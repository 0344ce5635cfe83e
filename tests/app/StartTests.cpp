// The application object as the exe runs it, when its main window cannot be made: the user is
// told so, with the system's reason, the process ends with a failure code, and nothing is left
// attached to the window that was refused.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/QuilVaraApp.h"
#include "app/Texts.h"
#include "platform/Text.h"
#include "platform/WinApp.h"

namespace {

std::vector<std::wstring> g_said;
HWND g_hRefused = nullptr;

// Refuses the top-level windows this program makes from its own resources, as a desktop without
// room for another window does, and reads and closes the message boxes the system makes.
LRESULT CALLBACK RefuseWindowsAndReadBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        if (!create->hwndParent && create->hInstance == ::GetModuleHandleW(nullptr)) {
            g_hRefused = reinterpret_cast<HWND>(wParam);
            ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 1;
        }
    }
    const HWND hWnd = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && ::GetDlgItem(hWnd, 0xFFFF)) {  // a message box's text
        wchar_t text[512] = L"";
        ::GetDlgItemTextW(hWnd, 0xFFFF, text, ARRAYSIZE(text));
        g_said.push_back(text);
        ::PostMessageW(hWnd, WM_COMMAND, IDOK, 0);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(Start, AMainWindowThatCannotBeMadeIsSaidAndTheProcessEndsWithAFailureCode) {
    const HHOOK hook = ::SetWindowsHookExW(WH_CBT, &RefuseWindowsAndReadBoxes, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const int code = AfxWinMain(::GetModuleHandleW(nullptr));
    ::UnhookWindowsHookEx(hook);

    EXPECT_EQ(code, EXIT_FAILURE);
    wchar_t reason[512] = L"";
    ASSERT_TRUE(::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 ERROR_NOT_ENOUGH_MEMORY, 0, reason, ARRAYSIZE(reason), nullptr));
    EXPECT_EQ(g_said, std::vector<std::wstring>{qv::WideFromGbk(kStartFailed) + L"\r\n\r\n" + reason});
    // The dialog object, gone with InitInstance, is not left attached to the window never made.
    ASSERT_NE(g_hRefused, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(g_hRefused), nullptr);
}

}  // namespace
