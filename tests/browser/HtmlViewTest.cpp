// The HTML view under the panes, observed from outside: where the browser surface sits (Win32
// window rectangles), what the control's client site answers for embedded pages, and what is
// left after panes are destroyed (the control's own references, process handle counts).
#include <gtest/gtest.h>

#include <mshtmhst.h>
#include <exdispid.h>
#include <ole2.h>
#include <shobjidl.h>

#include <vector>

#include "BrowserTestSupport.h"
#include "tests/support/ProcessCounts.h"

using Microsoft::WRL::ComPtr;
using qvtest::BrowserSurface;
using qvtest::CountedPane;
using qvtest::EventSinks;
using qvtest::HostWindow;
using qvtest::NavigationLog;
using qvtest::RectInParent;
using qvtest::SiteOf;

namespace {

// CGID_DocHostCommandHandler (mshtmhst.h); mingw-w64's uuid library does not carry it.
constexpr GUID kDocHostCommandHandler = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

::testing::AssertionResult RectIs(const RECT& actual, LONG left, LONG top, LONG right, LONG bottom) {
    if (actual.left == left && actual.top == top && actual.right == right && actual.bottom == bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rect (" << actual.left << ", " << actual.top << ", "
                                         << actual.right << ", " << actual.bottom << ")";
}

class ViewTest : public ::testing::Test {
protected:
    CountedPane* CreatePane(const RECT& rect, UINT id) {
        auto* pane = new CountedPane(true, &m_nDeleted);
        EXPECT_TRUE(pane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, m_host.get(), id));
        return pane;
    }

    HostWindow m_host;
    int m_nDeleted = 0;
};

// Where the browser surface sits: the left pane's page is cropped by 65 rows and 5 columns.
TEST_F(ViewTest, SurfaceFillsThePaneUntilMovedThenKeepsItsOffset) {
    CountedPane* left = CreatePane(RECT{3, 41, 531, 554}, 200);
    CountedPane* right = CreatePane(RECT{554, 41, 937, 598}, 201);
    ASSERT_NE(nullptr, BrowserSurface(*left));
    ASSERT_NE(nullptr, BrowserSurface(*right));
    EXPECT_TRUE(RectIs(RectInParent(BrowserSurface(*left)), 0, 0, 528, 513));

    left->SetTop(-65);
    EXPECT_TRUE(RectIs(RectInParent(BrowserSurface(*left)), 0, -65, 528, 513));
    left->SetLeft(-5);
    const RECT moved = RectInParent(BrowserSurface(*left));
    EXPECT_EQ(-5, moved.left);
    EXPECT_EQ(-65, moved.top);
    EXPECT_GE(moved.right, 528 - 5);  // however the control keeps its size, no page column is lost
    EXPECT_GE(moved.bottom, 513 - 65);
    EXPECT_TRUE(RectIs(RectInParent(BrowserSurface(*right)), 0, 0, 383, 557));

    left->MoveWindow(3, 41, 600, 560);
    EXPECT_TRUE(RectIs(RectInParent(BrowserSurface(*left)), -5, -65, 600, 560));
    EXPECT_TRUE(RectIs(RectInParent(BrowserSurface(*right)), 0, 0, 383, 557));
}

// Embedded pages: no script-error dialogs, no host object for script, no dropped files, and no
// new windows but the user's own browser, for what the user asked for.
TEST_F(ViewTest, ScriptErrorsAreSilent) {
    CountedPane* pane = CreatePane(RECT{3, 41, 531, 554}, 200);
    VARIANT_BOOL silent = VARIANT_FALSE;
    ASSERT_EQ(S_OK, pane->GetBrowser()->get_Silent(&silent));
    EXPECT_EQ(VARIANT_TRUE, silent);

    ComPtr<IOleCommandTarget> commands = SiteOf<IOleCommandTarget>(*pane);
    ASSERT_TRUE(commands);
    VARIANT out;
    ::VariantInit(&out);
    EXPECT_EQ(S_OK, commands->Exec(&kDocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out));
    EXPECT_EQ(VT_BOOL, out.vt);
    EXPECT_EQ(VARIANT_TRUE, out.boolVal);  // go on running the page's scripts
    EXPECT_NE(S_OK, commands->Exec(&kDocHostCommandHandler, OLECMDID_PRINT, 0, nullptr, nullptr));
    EXPECT_NE(S_OK, commands->Exec(nullptr, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, nullptr));
}

TEST_F(ViewTest, PageScriptGetsNoHostObject) {
    CountedPane* pane = CreatePane(RECT{3, 41, 531, 554}, 200);
    ComPtr<IDocHostUIHandler> handler = SiteOf<IDocHostUIHandler>(*pane);
    ASSERT_TRUE(handler);
    IDispatch* external = reinterpret_cast<IDispatch*>(handler.Get());  // anything but null
    EXPECT_TRUE(FAILED(handler->GetExternal(&external)));
    EXPECT_EQ(nullptr, external);
}

TEST_F(ViewTest, DroppedFilesAreRefusedAndNavigateNowhere) {
    CountedPane* pane = CreatePane(RECT{3, 41, 531, 554}, 200);
    NavigationLog log(pane->GetBrowser());
    ComPtr<IDocHostUIHandler> handler = SiteOf<IDocHostUIHandler>(*pane);
    ASSERT_TRUE(handler);
    ComPtr<IDropTarget> target;
    ASSERT_EQ(S_OK, handler->GetDropTarget(nullptr, &target));
    ASSERT_TRUE(target);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    EXPECT_EQ(S_OK, target->DragEnter(nullptr, MK_LBUTTON, POINTL{100, 100}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    EXPECT_EQ(S_OK, target->DragOver(MK_LBUTTON, POINTL{120, 120}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    EXPECT_EQ(S_OK, target->Drop(nullptr, 0, POINTL{120, 120}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    EXPECT_TRUE(log.Settle().empty());
}

// A new-window event as the control fires it at a sink: NewWindow3(ppDisp, Cancel, dwFlags,
// bstrUrlContext, bstrUrl) or NewWindow2(ppDisp, Cancel), each argument of the type given.
struct NewWindowEvent {
    DISPID id = DISPID_NEWWINDOW3;
    const wchar_t* url = L"http://bbs.vara.example/forum-1107-1.html";
    LONG flags = NWMF_USERINITED | NWMF_FIRST;
    VARTYPE flagsType = VT_I4;
    VARTYPE urlType = VT_BSTR;
    VARTYPE cancelType = VT_BYREF | VT_BOOL;  // or VT_BYREF | VT_VARIANT holding a VT_BOOL
};

// Fires the event at a sink; returns the Cancel it got back.
VARIANT_BOOL Fire(IDispatch* sink, const NewWindowEvent& event) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT cancelHolder;
    ::VariantInit(&cancelHolder);
    cancelHolder.vt = VT_BOOL;
    cancelHolder.boolVal = VARIANT_FALSE;
    IDispatch* newWindow = nullptr;
    BSTR bstrUrl = event.url ? ::SysAllocString(event.url) : nullptr;
    BSTR bstrContext = ::SysAllocString(L"http://event.vara.example/market/afq/");
    VARIANTARG args[5];
    for (auto& arg : args) ::VariantInit(&arg);
    const bool three = event.id == DISPID_NEWWINDOW3;
    VARIANTARG& cancelArg = args[three ? 3 : 0];
    cancelArg.vt = event.cancelType;
    if (event.cancelType == (VT_BYREF | VT_BOOL)) cancelArg.pboolVal = &cancel;
    else if (event.cancelType == (VT_BYREF | VT_VARIANT)) cancelArg.pvarVal = &cancelHolder;
    else cancelArg.boolVal = VARIANT_FALSE;  // by value: nothing the sink could set
    VARIANTARG& dispArg = args[three ? 4 : 1];
    dispArg.vt = VT_BYREF | VT_DISPATCH;
    dispArg.ppdispVal = &newWindow;
    if (three) {
        args[0].vt = event.urlType;
        if (event.urlType == VT_BSTR) args[0].bstrVal = bstrUrl;
        else args[0].lVal = 7;
        args[1].vt = VT_BSTR;
        args[1].bstrVal = bstrContext;
        args[2].vt = event.flagsType;
        if (event.flagsType == VT_BSTR) args[2].bstrVal = bstrContext;
        else args[2].lVal = event.flags;
    }
    DISPPARAMS params{args, nullptr, three ? 5u : 2u, 0};
    sink->Invoke(event.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    ::SysFreeString(bstrUrl);
    ::SysFreeString(bstrContext);
    return event.cancelType == (VT_BYREF | VT_VARIANT) ? cancelHolder.boolVal : cancel;
}

class NewWindowTest : public ViewTest {
protected:
    // The view's own event sink of a pane.
    IDispatch* SinkOf(CountedPane* pane) {
        const auto sinks = EventSinks(pane->GetBrowser());
        EXPECT_EQ(1u, sinks.size());
        if (sinks.empty()) return nullptr;
        m_sinks.push_back(sinks[0]);
        return sinks[0].Get();
    }

    std::vector<ComPtr<IDispatch>> m_sinks;
};

using Opened = std::vector<std::wstring>;

TEST_F(NewWindowTest, OnlyWebAddressesTheUserAskedForOpenAndEveryNewWindowIsCancelled) {
    CountedPane* pane = CreatePane(RECT{3, 41, 531, 554}, 200);
    IDispatch* sink = SinkOf(pane);
    ASSERT_TRUE(sink);
    NewWindowEvent event;
    // Scripts on their own: a timer or a loop, a pop-up merely allowed, a page being left.
    for (LONG flags : {0L, LONG{NWMF_FIRST}, LONG{NWMF_USERALLOWED}, LONG{NWMF_USERINITED | NWMF_UNLOADING}}) {
        event.flags = flags;
        EXPECT_EQ(VARIANT_TRUE, Fire(sink, event)) << flags;
    }
    event.flags = NWMF_USERINITED;
    for (const wchar_t* url : {L"file:///C:/windows/win.ini", L"javascript:alert(1)", L"httpx://event.vara.example/",
                               L"about:blank", L"", L"mailto:a@vara.example"}) {
        event.url = url;
        EXPECT_EQ(VARIANT_TRUE, Fire(sink, event)) << url;
    }
    NewWindowEvent older;
    older.id = DISPID_NEWWINDOW2;
    EXPECT_EQ(VARIANT_TRUE, Fire(sink, older));
    EXPECT_EQ(Opened{}, pane->opened);

    event.url = L"http://bbs.vara.example/forum-1107-1.html";
    EXPECT_EQ(VARIANT_TRUE, Fire(sink, event));
    // A window the user requested explicitly counts too; each pane keeps its own pace.
    CountedPane* other = CreatePane(RECT{554, 41, 937, 598}, 201);
    NewWindowEvent requested;
    requested.flags = NWMF_USERREQUESTED;
    requested.url = L"HTTPS://event.vara.example/afqwb?t=qq";
    EXPECT_EQ(VARIANT_TRUE, Fire(SinkOf(other), requested));
    EXPECT_EQ(Opened{L"http://bbs.vara.example/forum-1107-1.html"}, pane->opened);
    EXPECT_EQ(Opened{L"HTTPS://event.vara.example/afqwb?t=qq"}, other->opened);
}

TEST_F(NewWindowTest, ArgumentsOfUnexpectedTypesAreCancelledAndOpenNothing) {
    CountedPane* pane = CreatePane(RECT{3, 41, 531, 554}, 200);
    IDispatch* sink = SinkOf(pane);
    ASSERT_TRUE(sink);
    NewWindowEvent flagsAsText;
    flagsAsText.flagsType = VT_BSTR;
    EXPECT_EQ(VARIANT_TRUE, Fire(sink, flagsAsText));
    NewWindowEvent urlAsNumber;
    urlAsNumber.urlType = VT_I4;
    EXPECT_EQ(VARIANT_TRUE, Fire(sink, urlAsNumber));
    NewWindowEvent nullUrl;
    nullUrl.url = nullptr;
    EXPECT_EQ(VARIANT_TRUE, Fire(sink, nullUrl));
    NewWindowEvent byValueCancel;
    byValueCancel.cancelType = VT_BOOL;
    Fire(sink, byValueCancel);
    EXPECT_EQ(Opened{}, pane->opened);

    // Cancel handed over inside a variant is set all the same, and the request is honoured.
    NewWindowEvent wrapped;
    wrapped.cancelType = VT_BYREF | VT_VARIANT;
    EXPECT_EQ(VARIANT_TRUE, Fire(sink, wrapped));
    NewWindowEvent wrappedOlder = wrapped;
    wrappedOlder.id = DISPID_NEWWINDOW2;
    EXPECT_EQ(VARIANT_TRUE, Fire(sink, wrappedOlder));
    EXPECT_EQ(Opened{wrapped.url}, pane->opened);
}

TEST_F(NewWindowTest, ABurstOpensOneWindowAndTheNextOnlyASecondLater) {
    CountedPane* pane = CreatePane(RECT{3, 41, 531, 554}, 200);
    IDispatch* sink = SinkOf(pane);
    ASSERT_TRUE(sink);
    NewWindowEvent event;
    const DWORD start = ::GetTickCount();
    for (int i = 0; i < 50; ++i) EXPECT_EQ(VARIANT_TRUE, Fire(sink, event));
    EXPECT_EQ(1u, pane->opened.size());

    // The page keeps asking; the next window opens once the pane's second is over.
    EXPECT_TRUE(qvtest::PumpUntil([&] {
        Fire(sink, event);
        return pane->opened.size() == 2;
    }));
    EXPECT_GE(::GetTickCount() - start, 1000u);
    EXPECT_EQ(2u, pane->opened.size());
}

// Lifetime: the window owns its pane; destroying it frees the pane once and lets go of the
// control completely.
TEST_F(ViewTest, DestroyingThePaneWindowFreesThePaneAndReleasesTheControl) {
    CountedPane* pane = CreatePane(RECT{3, 41, 531, 554}, 200);
    ComPtr<IOleObject> control;
    ASSERT_EQ(S_OK, pane->GetBrowser()->QueryInterface(IID_PPV_ARGS(&control)));
    IOleClientSite* site = nullptr;
    ASSERT_EQ(S_OK, control->GetClientSite(&site));
    ASSERT_NE(nullptr, site);
    const HWND surface = BrowserSurface(*pane);
    ASSERT_TRUE(::IsWindow(surface));

    pane->DestroyWindow();
    EXPECT_EQ(1, m_nDeleted);
    EXPECT_FALSE(::IsWindow(surface));
    IOleClientSite* after = site;  // anything but null
    EXPECT_EQ(S_OK, control->GetClientSite(&after));
    EXPECT_EQ(nullptr, after);  // the control was told to let go of its site
    ComPtr<IOleWindow> window;
    ASSERT_EQ(S_OK, site->QueryInterface(IID_PPV_ARGS(&window)));
    HWND hWnd = nullptr;
    EXPECT_TRUE(FAILED(window->GetWindow(&hWnd)));  // a late call finds no view
    window.Reset();
    control.Reset();  // the control keeps its command target until it is itself released
    EXPECT_EQ(0u, site->Release());  // then nothing else holds the site
}

TEST_F(ViewTest, DestroyingTheParentFreesEveryPaneOnce) {
    CreatePane(RECT{3, 41, 531, 554}, 200);
    CreatePane(RECT{554, 41, 937, 598}, 201);
    m_host.get()->DestroyWindow();
    EXPECT_EQ(2, m_nDeleted);
}

TEST_F(ViewTest, FiftyPanesComeAndGoWithoutLeavingHandlesOrWindows) {
    auto cycle = [this] {
        CountedPane* pane = CreatePane(RECT{3, 41, 531, 554}, 200);
        pane->SetTop(-65);
        pane->SetLeft(-5);
        qvtest::Pump(10);
        pane->DestroyWindow();
        qvtest::Pump(10);
    };
    cycle();  // the first pane loads the control's libraries and their helper windows
    std::vector<unsigned long> handles, windows;
    for (int i = 0; i < 50; ++i) {
        cycle();
        const qvtest::ProcessCounts counts = qvtest::CountProcess(::GetCurrentProcessId());
        ASSERT_TRUE(counts.ok);
        ASSERT_GT(counts.windows, 0u);  // at least the host window
        handles.push_back(counts.handles);
        windows.push_back(counts.windows);
    }
    EXPECT_EQ(51, m_nDeleted);
    EXPECT_FALSE(qvtest::CountGrows(handles)) << "handles from " << handles.front() << " to " << handles.back();
    EXPECT_FALSE(qvtest::CountGrows(windows)) << "windows from " << windows.front() << " to " << windows.back();
}

TEST(LeakRule, OneTransientHandleIsNoiseButAHandlePerCycleOrAStepIsGrowth) {
    std::vector<unsigned long> counts(50, 48);
    counts[37] = 49;
    EXPECT_FALSE(qvtest::CountGrows(counts));
    // A count that flips between two values: the late median may be half a handle higher.
    for (size_t i = 0; i < counts.size(); ++i) counts[i] = 47 + (i % 3 == 0 || i >= 40 ? i % 2 : 0);
    EXPECT_FALSE(qvtest::CountGrows(counts));
    counts.assign(50, 48);
    for (size_t i = 25; i < counts.size(); ++i) counts[i] = 49;
    EXPECT_TRUE(qvtest::CountGrows(counts));
    for (size_t i = 0; i < counts.size(); ++i) counts[i] = 48 + static_cast<unsigned long>(i);
    EXPECT_TRUE(qvtest::CountGrows(counts));
}

}  // namespace
