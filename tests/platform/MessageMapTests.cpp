// Message maps, command routing, reflection, window lifetime and what windows take from the
// application, on real windows under Wine.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "tests/support/AssertRecorder.h"

namespace {

UINT g_uRegistered = ::RegisterWindowMessageW(L"QuilVaraTestMessage");

class CTestWnd : public CWnd {
public:
    std::vector<std::string> calls;
    bool deleted = false;

    BOOL CreatePopup() { return CreateEx(0, L"STATIC", "测试", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0); }
    using CWnd::PreTranslateMessage;

    void OnRange(UINT nID) { calls.push_back("range " + std::to_string(nID)); }
    void OnOne() { calls.push_back("one"); }
    LRESULT OnApp(WPARAM wParam, LPARAM) { calls.push_back("app " + std::to_string(wParam)); return 42; }
    LRESULT OnRegistered(WPARAM, LPARAM) { calls.push_back("registered"); return 7; }

protected:
    void PostNcDestroy() override { deleted = true; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CWnd)
    ON_COMMAND_RANGE(100, 103, OnRange)
    ON_COMMAND(200, OnOne)
    ON_MESSAGE(WM_APP + 1, OnApp)
    ON_REGISTERED_MESSAGE(&g_uRegistered, OnRegistered)
END_MESSAGE_MAP()

class CDerivedWnd : public CTestWnd {
public:
    void OnDerived() { calls.push_back("derived"); }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CTestWnd)
    ON_COMMAND(200, OnDerived)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
public:
    explicit CTestApp(const char* name = nullptr) : CWinApp(name) {}
    std::vector<std::string> calls;
    void OnAppCommand() { calls.push_back("app"); }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND(200, OnAppCommand)
    ON_COMMAND(300, OnAppCommand)
END_MESSAGE_MAP()

// The title of the message box wnd shows with caption; the box is answered at once.
std::string MessageBoxTitle(const CWnd& wnd, const char* caption) {
    static std::string title;
    title = "<no box>";
    HHOOK hook = ::SetWindowsHookExW(
        WH_CBT,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            HWND hBox = reinterpret_cast<HWND>(wParam);
            wchar_t text[128] = L"";
            if (code == HCBT_ACTIVATE && ::GetClassNameW(hBox, text, 128) && std::wstring(text) == L"#32770") {
                ::GetWindowTextW(hBox, text, 128);
                title = qv::GbkFromWide(text);
                ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
            }
            return ::CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, ::GetCurrentThreadId());
    wnd.MessageBox("正文", caption, MB_OK);
    ::UnhookWindowsHookEx(hook);
    return title;
}

class CRecordingButton : public CButton {
public:
    int drawn = 0;
    UINT lastState = 0;
    void DrawItem(LPDRAWITEMSTRUCT item) override {
        ++drawn;
        lastState = item->itemState;
    }
};

}  // namespace

TEST(MessageMap, CommandsReachTheirHandlersByIdRangeAndCode) {
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup());
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(102, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(104, 0), 0);  // outside the range
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(200, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(200, 1), 0);  // a double-click notification is not a click
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"range 102", "one"}));
    wnd.DestroyWindow();
}

TEST(MessageMap, MessagesAndRegisteredMessagesReturnTheHandlersResult) {
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup());
    EXPECT_EQ(wnd.SendMessage(WM_APP + 1, 9, 0), 42);
    EXPECT_EQ(wnd.SendMessage(g_uRegistered, 0, 0), 7);
    // Not in the map: the window's own procedure answers.
    wchar_t title[16] = L"";
    EXPECT_EQ(wnd.SendMessage(WM_GETTEXT, 16, reinterpret_cast<LPARAM>(title)), 2);
    EXPECT_EQ(std::wstring(title), L"测试");
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"app 9", "registered"}));
    wnd.DestroyWindow();
}

TEST(MessageMap, DerivedEntriesComeFirstAndBaseEntriesStillWork) {
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup());
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(200, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(101, 0), 0);
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"derived", "range 101"}));
    wnd.DestroyWindow();
}

TEST(Window, DestroyingTheWindowDetachesItsObjectThenCallsPostNcDestroy) {
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup());
    HWND hWnd = wnd.m_hWnd;
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), &wnd);
    ::DestroyWindow(hWnd);
    EXPECT_TRUE(wnd.deleted);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

TEST(Window, OwnerDrawRequestsAreReflectedToTheButton) {
    CTestWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, L"STATIC", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
    CRecordingButton button;
    ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 40, 20), &parent, 300));
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = 300;
    item.hwndItem = button.m_hWnd;
    item.itemState = ODS_SELECTED;
    EXPECT_EQ(parent.SendMessage(WM_DRAWITEM, 300, reinterpret_cast<LPARAM>(&item)), TRUE);
    EXPECT_GE(button.drawn, 1);
    EXPECT_EQ(button.lastState, static_cast<UINT>(ODS_SELECTED));
    parent.DestroyWindow();
}

TEST(Window, PreTranslateIsOfferedFromTheTargetUpToTheStopWindow) {
    struct CConsuming : CTestWnd {
        bool consume = false;
        int offered = 0;
        BOOL PreTranslateMessage(MSG*) override { ++offered; return consume; }
    };
    CConsuming parent;
    ASSERT_TRUE(parent.CreateEx(0, L"STATIC", "", WS_POPUP, CRect(0, 0, 100, 100), nullptr, 0));
    CConsuming child;
    ASSERT_TRUE(child.CreateEx(0, L"STATIC", "", WS_CHILD, CRect(0, 0, 10, 10), &parent, 1));
    MSG msg{child.m_hWnd, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};

    EXPECT_FALSE(CWnd::WalkPreTranslateTree(parent.m_hWnd, &msg));
    EXPECT_EQ(child.offered, 1);
    EXPECT_EQ(parent.offered, 1);

    child.consume = true;
    EXPECT_TRUE(CWnd::WalkPreTranslateTree(parent.m_hWnd, &msg));
    EXPECT_EQ(parent.offered, 1) << "the nearer window consumed it";

    child.consume = false;
    EXPECT_FALSE(CWnd::WalkPreTranslateTree(child.m_hWnd, &msg));
    EXPECT_EQ(parent.offered, 1) << "nothing above the stop window is asked";
    parent.DestroyWindow();
}

TEST(Application, OnlyTheMainWindowPassesCommandsItLeavesUnhandledToTheApplication) {
    CTestWnd main, other;
    ASSERT_TRUE(main.CreatePopup());
    ASSERT_TRUE(other.CreatePopup());
    {
        CTestApp app;
        EXPECT_EQ(AfxGetApp(), &app);
        app.m_pMainWnd = &main;
        main.SendMessage(WM_COMMAND, MAKEWPARAM(300, 0), 0);
        main.SendMessage(WM_COMMAND, MAKEWPARAM(200, 0), 0);  // the window's own map comes first
        other.SendMessage(WM_COMMAND, MAKEWPARAM(300, 0), 0);
        EXPECT_EQ(app.calls, (std::vector<std::string>{"app"}));
        EXPECT_EQ(main.calls, (std::vector<std::string>{"one"}));
        EXPECT_TRUE(other.calls.empty());
    }
    EXPECT_EQ(AfxGetApp(), nullptr) << "an application that is gone is forgotten";
    main.DestroyWindow();
    other.DestroyWindow();
}

TEST(Application, MessageBoxesWithoutACaptionShowTheApplicationsName) {
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup());
    EXPECT_EQ(MessageBoxTitle(wnd, nullptr), "qv_platform_window_tests") << "no application: the executable";
    {
        CTestApp named("好感查询");
        EXPECT_EQ(MessageBoxTitle(wnd, nullptr), "好感查询");
        EXPECT_EQ(MessageBoxTitle(wnd, "标题"), "标题");
    }
    {
        CTestApp unnamed;
        EXPECT_EQ(MessageBoxTitle(wnd, nullptr), "qv_platform_window_tests");
    }
    wnd.DestroyWindow();
}

namespace {

// A window whose handlers run out of memory, as a string or array can inside any handler.
class CThrowingWnd : public CTestWnd {
public:
    LRESULT OnThrow(WPARAM, LPARAM) { AfxThrowMemoryException(); }
    LRESULT OnSetText(WPARAM, LPARAM) {
        calls.push_back("settext");
        AfxThrowMemoryException();
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingWnd, CTestWnd)
    ON_MESSAGE(WM_APP + 2, OnThrow)
    ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

}  // namespace

TEST(Window, AnExceptionInAHandlerStaysInsideTheWindowProcedure) {
    AssertRecorder asserts;
    CThrowingWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup());
    bool escaped = false;
    try {
        // The default answer to a private message is 0; a set text gets its default processing.
        EXPECT_EQ(wnd.SendMessage(WM_APP + 2, 0, 0), 0);
        EXPECT_EQ(::SetWindowTextW(wnd.m_hWnd, L"新的"), TRUE);
        wnd.PostMessage(WM_APP + 2);
        MSG msg;
        while (::PeekMessageW(&msg, wnd.m_hWnd, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    } catch (...) {
        escaped = true;
    }
    EXPECT_FALSE(escaped);
    EXPECT_EQ(wnd.calls, std::vector<std::string>{"settext"});
    wchar_t title[16] = L"";
    ::GetWindowTextW(wnd.m_hWnd, title, 16);
    EXPECT_EQ(std::wstring(title), L"新的");
    const std::vector<AssertReport> reports = asserts.Take();
    ASSERT_EQ(reports.size(), 3u);
    for (const AssertReport& report : reports) EXPECT_EQ(report.unit, "Wnd");
    // The window goes on working and is torn down as usual.
    EXPECT_EQ(wnd.SendMessage(WM_APP + 1, 3, 0), 42);
    wnd.DestroyWindow();
    EXPECT_TRUE(wnd.deleted);
}
