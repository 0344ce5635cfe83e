// How a later start finds the running instance's window: only the tool's own marked dialog
// counts, whatever else carries its title, and a window still being made is waited for.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/RunningInstance.h"
#include "app/Texts.h"
#include "platform/Text.h"

namespace {

const std::wstring kTitle = qv::WideFromGbk(kMainWindowTitle);

// A top-level window of the given class and title, destroyed with the object.
struct TopWindow {
    HWND hWnd;
    TopWindow(const wchar_t* className, const std::wstring& title, DWORD style = WS_POPUP)
        : hWnd(::CreateWindowExW(0, className, title.c_str(), style, 10, 10, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr)) {}
    ~TopWindow() { ::DestroyWindow(hWnd); }
};

TEST(RunningInstance, OnlyTheToolsOwnMarkedDialogIsFound) {
    TopWindow otherClass(L"STATIC", kTitle);
    TopWindow unmarkedDialog(L"#32770", kTitle);
    TopWindow markedOtherTitle(L"#32770", L"QUILVARA");
    ASSERT_TRUE(otherClass.hWnd && unmarkedDialog.hWnd && markedOtherTitle.hWnd);
    qv::MarkMainWindow(markedOtherTitle.hWnd);
    EXPECT_EQ(qv::FindMarkedMainWindow(), nullptr);
    // A look-alike marked by someone else's hand still needs the dialog class.
    qv::MarkMainWindow(otherClass.hWnd);
    EXPECT_EQ(qv::FindMarkedMainWindow(), nullptr);

    TopWindow tool(L"#32770", kTitle);
    qv::MarkMainWindow(tool.hWnd);
    EXPECT_EQ(qv::FindMarkedMainWindow(), tool.hWnd);
    qv::UnmarkMainWindow(tool.hWnd);
    EXPECT_EQ(qv::FindMarkedMainWindow(), nullptr);
    EXPECT_FALSE(qv::BringRunningInstanceForward(0));
}

TEST(RunningInstance, AWindowStillBeingMadeIsWaitedForThenRestored) {
    // The "running instance" is another thread that makes its minimised window a little later
    // and then runs its messages until told to stop.
    std::atomic<HWND> made{nullptr};
    std::atomic<bool> stop{false};
    std::thread instance([&] {
        ::Sleep(300);
        TopWindow tool(L"#32770", kTitle, WS_POPUP | WS_VISIBLE | WS_MINIMIZE);
        qv::MarkMainWindow(tool.hWnd);
        made = tool.hWnd;
        while (!stop) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        qv::UnmarkMainWindow(tool.hWnd);
    });
    EXPECT_TRUE(qv::BringRunningInstanceForward(5000));
    ASSERT_NE(made.load(), nullptr);
    // The restore was queued for the window's own thread, which carries it out.
    const DWORD start = ::GetTickCount();
    while (::IsIconic(made) && ::GetTickCount() - start < 5000) ::Sleep(20);
    EXPECT_FALSE(::IsIconic(made));
    EXPECT_TRUE(::IsWindowVisible(made));
    stop = true;
    instance.join();
}

}  // namespace
