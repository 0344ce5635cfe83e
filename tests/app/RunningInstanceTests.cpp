// How a later start finds the running instance: only the tool's own marked dialog counts, whatever
// else carries its title; a start waits while the holder of the instance mutex is starting or
// closing, and never runs beside a window, with the mutex or without; the running instance comes
// forward with the window that takes input, on top if the user keeps it so.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/AlwaysOnTop.h"
#include "app/RunningInstance.h"
#include "app/Texts.h"
#include "platform/Text.h"

namespace {

const std::wstring kTitle = qv::WideFromGbk(kMainWindowTitle);

// A top-level window of the given class and title, destroyed with the object.
struct TopWindow {
    HWND hWnd;
    TopWindow(const wchar_t* className, const std::wstring& title, DWORD style = WS_POPUP, HWND hOwner = nullptr)
        : hWnd(::CreateWindowExW(0, className, title.c_str(), style, 10, 10, 200, 100, hOwner, nullptr,
                                 nullptr, nullptr)) {}
    ~TopWindow() { ::DestroyWindow(hWnd); }
};

// A mutex name of this test's own, so that no other test or instance shares it.
std::string MutexName(const char* test) { return std::string("QuilVaraTest.") + test + "." + std::to_string(::GetCurrentProcessId()); }

void RunMessagesUntil(const std::atomic<bool>& stop) {
    while (!stop) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(20);
    }
    return true;
}

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
}

// The "running instance" in these tests is another thread: the mutex is held by a thread.
TEST(RunningInstance, AStartWhileTheHolderIsClosingRunsOnceItGivesUp) {
    const std::string name = MutexName("closing");
    std::atomic<bool> held{false}, released{false};
    std::thread closing([&] {
        qv::CInstanceClaim claim(name.c_str());
        held = claim.Claim(0);
        ::Sleep(300);  // its window is gone; the rest of its teardown takes a moment
        released = true;
        claim.Release();
    });
    ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
    qv::CInstanceClaim later(name.c_str());
    EXPECT_TRUE(later.Claim(4000));
    EXPECT_TRUE(released) << "ran only once the closing instance had given up";
    closing.join();
}

TEST(RunningInstance, AnInstanceThatEndedWithoutGivingUpLeavesTheClaimFree) {
    const std::string name = MutexName("abandoned");
    std::thread crashed([&] {
        // Owned and never released: the thread's end abandons it, as a crash would.
        ::CreateMutexW(nullptr, TRUE, qv::WideFromGbk(name.c_str()).c_str());
    });
    crashed.join();
    qv::CInstanceClaim later(name.c_str());
    EXPECT_TRUE(later.Claim(4000));
}

TEST(RunningInstance, AHolderWithoutAWindowPastTheWaitIsNotJoinedByASecondWindow) {
    const std::string name = MutexName("starting");
    qv::CInstanceClaim starting(name.c_str());
    ASSERT_TRUE(starting.Claim(0));
    std::atomic<bool> result{true};
    std::thread later([&] {
        qv::CInstanceClaim claim(name.c_str());
        result = claim.Claim(300);
    });
    later.join();
    EXPECT_FALSE(result);
}

TEST(RunningInstance, WithoutTheMutexAStartStillFindsTheRunningWindowAndOtherwiseRuns) {
    // Another program holds an object of another kind under the mutex's name.
    const std::string name = MutexName("squatted");
    const HANDLE hSquatter = ::CreateEventW(nullptr, TRUE, FALSE, qv::WideFromGbk(name.c_str()).c_str());
    ASSERT_NE(hSquatter, nullptr);
    {
        qv::CInstanceClaim alone(name.c_str());
        EXPECT_TRUE(alone.Claim(4000)) << "no instance runs";
    }
    TopWindow tool(L"#32770", kTitle, WS_POPUP | WS_VISIBLE | WS_MINIMIZE);
    qv::MarkMainWindow(tool.hWnd);
    qv::CInstanceClaim later(name.c_str());
    EXPECT_FALSE(later.Claim(4000)) << "a second window would stand beside the running one";
    MSG msg;
    EXPECT_TRUE(::PeekMessageW(&msg, tool.hWnd, qv::g_uComeForward, qv::g_uComeForward, PM_REMOVE))
        << "asked to come forward";
    ::CloseHandle(hSquatter);
}

// The running instance's window answers the request to come forward, as the tool's main window does.
LRESULT CALLBACK ToolWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == qv::g_uComeForward) {
        qv::ComeForward(hWnd);
        return 0;
    }
    return ::CallWindowProcW(reinterpret_cast<WNDPROC>(::GetPropW(hWnd, L"Test.Super")), hWnd, message, wParam, lParam);
}

TEST(RunningInstance, AWindowStillBeingMadeIsWaitedForThenComesForward) {
    const std::string name = MutexName("forward");
    std::atomic<HWND> made{nullptr};
    std::atomic<bool> held{false}, stop{false};
    std::thread instance([&] {
        qv::CInstanceClaim claim(name.c_str());
        held = claim.Claim(0);
        ::Sleep(300);
        TopWindow tool(L"#32770", kTitle, WS_POPUP | WS_VISIBLE | WS_MINIMIZE);
        ::SetPropW(tool.hWnd, L"Test.Super", reinterpret_cast<HANDLE>(::GetWindowLongPtrW(tool.hWnd, GWLP_WNDPROC)));
        ::SetWindowLongPtrW(tool.hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ToolWindowProc));
        qv::MarkMainWindow(tool.hWnd);
        made = tool.hWnd;
        RunMessagesUntil(stop);
        qv::UnmarkMainWindow(tool.hWnd);
    });
    ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
    qv::CInstanceClaim later(name.c_str());
    EXPECT_FALSE(later.Claim(5000));
    ASSERT_NE(made.load(), nullptr);
    // The request was posted to the window's own thread, which carries it out.
    EXPECT_TRUE(WaitUntil([&] { return !::IsIconic(made); }));
    EXPECT_TRUE(::IsWindowVisible(made));
    stop = true;
    instance.join();
}

TEST(RunningInstance, ComingForwardActivatesTheOpenBoxNotTheDisabledMainWindow) {
    TopWindow tool(L"#32770", kTitle, WS_POPUP | WS_VISIBLE);
    TopWindow about(L"#32770", L"About", WS_POPUP | WS_VISIBLE, tool.hWnd);
    TopWindow other(L"#32770", L"Another program", WS_POPUP | WS_VISIBLE);
    ASSERT_TRUE(tool.hWnd && about.hWnd && other.hWnd);
    ::SetActiveWindow(about.hWnd);  // the box was last active among the tool's windows
    ::EnableWindow(tool.hWnd, FALSE);
    ::SetForegroundWindow(other.hWnd);
    ASSERT_EQ(::GetForegroundWindow(), other.hWnd);

    qv::ComeForward(tool.hWnd);
    EXPECT_EQ(::GetForegroundWindow(), about.hWnd);

    // The same from a minimised main window: restoring it does not activate it.
    ::ShowWindow(tool.hWnd, SW_MINIMIZE);
    ::SetForegroundWindow(other.hWnd);
    qv::ComeForward(tool.hWnd);
    EXPECT_FALSE(::IsIconic(tool.hWnd));
    EXPECT_EQ(::GetForegroundWindow(), about.hWnd);

    // A box that cannot take input leaves nothing to activate: the disabled main window is not.
    ::EnableWindow(about.hWnd, FALSE);
    ::SetForegroundWindow(other.hWnd);
    qv::ComeForward(tool.hWnd);
    EXPECT_EQ(::GetForegroundWindow(), other.hWnd);

    // With the box gone, the main window itself.
    ::EnableWindow(tool.hWnd, TRUE);
    ::DestroyWindow(about.hWnd);
    ::SetForegroundWindow(other.hWnd);
    qv::ComeForward(tool.hWnd);
    EXPECT_EQ(::GetForegroundWindow(), tool.hWnd);
}

TEST(RunningInstance, ComingForwardKeepsTheUsersChoiceOfOnTop) {
    TopWindow tool(L"#32770", kTitle, WS_POPUP | WS_VISIBLE);
    ASSERT_NE(tool.hWnd, nullptr);
    qv::ComeForward(tool.hWnd);
    EXPECT_FALSE(qv::IsAlwaysOnTop(tool.hWnd)) << "raised, not kept on top";
    qv::ToggleAlwaysOnTop(tool.hWnd);
    ASSERT_TRUE(qv::IsAlwaysOnTop(tool.hWnd));
    qv::ComeForward(tool.hWnd);
    EXPECT_TRUE(qv::IsAlwaysOnTop(tool.hWnd));
}

}  // namespace
