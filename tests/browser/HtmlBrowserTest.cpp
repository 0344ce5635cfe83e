// The page pane's own rules, observed through the real browser control under Wine: which calls
// navigate (the control's BeforeNavigate2 events), the host flags the control is given (through
// the control's own client site), the debug report for a null address, and panes whose window
// or control is missing.
#include <gtest/gtest.h>

#include <mshtmhst.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "BrowserTestSupport.h"
#include "tests/support/AssertRecorder.h"

using Microsoft::WRL::ComPtr;
using qvtest::CountedPane;
using qvtest::HostWindow;
using qvtest::NavigationLog;

namespace {

const char kSearch[] = "http://event.vara.example/market/afq/?canvas_pos=search&keyword=vara";
const wchar_t kSearchW[] = L"http://event.vara.example/market/afq/?canvas_pos=search&keyword=vara";
const char kNews[] = "http://game.vara.example/xzdy/20110803/1239434.shtml";
const wchar_t kNewsW[] = L"http://game.vara.example/xzdy/20110803/1239434.shtml";

class PaneNavigation : public ::testing::Test {
protected:
    void SetUp() override {
        m_pPane = new CountedPane(true, &m_nDeleted);
        ASSERT_TRUE(m_pPane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{3, 41, 531, 554},
                                    m_host.get(), 200));
        m_pLog = std::make_unique<NavigationLog>(m_pPane->GetBrowser());
        ASSERT_TRUE(m_pLog->connected());
    }
    void TearDown() override {
        m_pLog.reset();
        m_host.get()->DestroyWindow();
        EXPECT_EQ(1, m_nDeleted);  // the window freed its pane, exactly once
    }

    std::vector<std::wstring> Shown() {
        std::vector<std::wstring> urls;
        for (const auto& entry : m_pLog->Settle()) urls.push_back(entry.url);
        return urls;
    }

    HostWindow m_host;
    int m_nDeleted = 0;
    CountedPane* m_pPane = nullptr;
    std::unique_ptr<NavigationLog> m_pLog;
};

using UrlList = std::vector<std::wstring>;

TEST_F(PaneNavigation, AddressWaitsUntilNavigationIsEnabledThenShowsAsPlainRequest) {
    m_pPane->SetUrl(kSearch);
    EXPECT_EQ(UrlList{}, Shown());
    EXPECT_FALSE(m_pPane->EnableNavigate(false));  // already off: the address is kept
    EXPECT_EQ(UrlList{}, Shown());
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    const auto& log = m_pLog->WaitFor(1);
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(kSearchW, log[0].url);
    EXPECT_EQ(L"", log[0].headers);
    EXPECT_FALSE(log[0].hasPostData);
}

TEST_F(PaneNavigation, SwitchingOffForgetsTheAddress) {
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    m_pPane->SetUrl(kSearch);
    m_pLog->WaitFor(1);
    EXPECT_FALSE(m_pPane->EnableNavigate(false));
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    EXPECT_EQ(UrlList{kSearchW}, Shown());
}

TEST_F(PaneNavigation, SwitchingOnAgainDoesNothing) {
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    m_pPane->SetUrl(kSearch);
    m_pLog->WaitFor(1);
    m_pPane->SetUrl(kNews);
    m_pLog->WaitFor(2);
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    EXPECT_EQ((UrlList{kSearchW, kNewsW}), Shown());
}

TEST_F(PaneNavigation, SwitchingOnWithoutAddressOnlySetsTheFlag) {
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    EXPECT_EQ(UrlList{}, Shown());
    m_pPane->SetUrl(kNews);  // the flag is on: this shows at once
    m_pLog->WaitFor(1);
    EXPECT_EQ(UrlList{kNewsW}, Shown());
}

TEST_F(PaneNavigation, EveryAddressGivenWhileOnIsShownEvenTheSameOne) {
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    m_pPane->SetUrl(kNews);
    m_pLog->WaitFor(1);
    m_pPane->SetUrl(kNews);
    m_pLog->WaitFor(2);
    m_pPane->SetUrl("");
    m_pLog->WaitFor(3);
    EXPECT_EQ((UrlList{kNewsW, kNewsW, L""}), Shown());
}

TEST_F(PaneNavigation, AddressTextIsCodePage936) {
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    m_pPane->SetUrl("http://event.vara.example/搜索?q=好感");
    m_pLog->WaitFor(1);
    EXPECT_EQ(UrlList{L"http://event.vara.example/\u641c\u7d22?q=\u597d\u611f"}, Shown());
}

TEST_F(PaneNavigation, NullAddressIsReportedAndTheRememberedOneKept) {
#if !(defined(QV_DEBUG) && QV_DEBUG)
    GTEST_SKIP() << "debug assertions are compiled out of this build";
#endif
    AssertRecorder asserts;
    m_pPane->SetUrl(kNews);
    m_pPane->SetUrl(nullptr);
    const std::vector<AssertReport> reports = asserts.Take();
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ("HtmlBrowser", reports[0].unit);
    EXPECT_EQ(31, reports[0].line);
    EXPECT_TRUE(m_pPane->EnableNavigate(true));
    m_pLog->WaitFor(1);
    m_pPane->SetUrl(nullptr);  // while on: reported again, and nothing is shown
    EXPECT_TRUE(asserts.Expect("HtmlBrowser", 1));
    EXPECT_EQ(UrlList{kNewsW}, Shown());
}

// The flags the control gets when it asks its host (the client site it was given) for UI options.
HRESULT HostInfoThroughControl(CHtmlView& pane, DOCHOSTUIINFO* pInfo) {
    const ComPtr<IDocHostUIHandler> handler = qvtest::SiteOf<IDocHostUIHandler>(pane);
    return handler ? handler->GetHostInfo(pInfo) : E_FAIL;
}

// Every pane has the control announce redirects, so that they are checked like other addresses.
constexpr DWORD kRedirects = DOCHOSTUIFLAG_ENABLE_REDIRECT_NOTIFICATION;

DOCHOSTUIINFO HostInfo(DWORD flags) {
    static wchar_t css[] = L"body{}";
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    info.dwFlags = flags;
    info.dwDoubleClick = DOCHOSTUIDBLCLK_SHOWPROPERTIES;
    info.pchHostCss = css;
    return info;
}

// Every pane tells the control that the host follows the display's DPI, so pages are drawn at it.
TEST(PaneHostInfo, NoScrollBorderAddsBorderAndScrollFlagsAndKeepsTheRest) {
    HostWindow host;
    int deleted = 0;
    auto* pane = new CountedPane(true, &deleted);
    ASSERT_TRUE(pane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{3, 41, 531, 554}, host.get(), 200));
    for (DWORD before : {0x0ul, 0x10ul, 0x40000ul | 0x8ul | 0x1ul, 0xFFFFFFF3ul}) {
        DOCHOSTUIINFO info = HostInfo(before);
        const DOCHOSTUIINFO expected = HostInfo(before | 0xC | kRedirects | DOCHOSTUIFLAG_DPI_AWARE);
        EXPECT_EQ(S_OK, HostInfoThroughControl(*pane, &info));
        EXPECT_EQ(expected.dwFlags, info.dwFlags) << std::hex << before;
        EXPECT_EQ(expected.cbSize, info.cbSize);
        EXPECT_EQ(expected.dwDoubleClick, info.dwDoubleClick);
        EXPECT_EQ(expected.pchHostCss, info.pchHostCss);
        EXPECT_EQ(nullptr, info.pchHostNS);
    }
}

TEST(PaneHostInfo, WithoutNoScrollBorderOnlyRedirectsAndTheDpiFlagAreAddedAndTheAnswerIsStillSuccess) {
    HostWindow host;
    int deleted = 0;
    auto* pane = new CountedPane(false, &deleted);
    ASSERT_TRUE(pane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{554, 41, 937, 598}, host.get(), 201));
    for (DWORD before : {0x0ul, 0x4ul, 0x40010ul}) {
        DOCHOSTUIINFO info = HostInfo(before);
        EXPECT_EQ(S_OK, HostInfoThroughControl(*pane, &info));
        EXPECT_EQ(before | kRedirects | DOCHOSTUIFLAG_DPI_AWARE, info.dwFlags);
    }
}

// Panes whose window, or whose browser control, does not exist: nothing of this may crash, and
// the pane is freed once, by whoever owns it.
TEST(PaneWithoutWindow, TakesAddressAndNavigationFlagWithoutNavigating) {
    int deleted = 0;
    auto* pane = new CountedPane(true, &deleted);
    pane->SetUrl(kSearch);
    EXPECT_TRUE(pane->EnableNavigate(true));
    pane->SetUrl(kNews);  // navigation on, no window: stays blank
    pane->SetTop(-65);
    pane->SetLeft(-5);
    EXPECT_EQ(nullptr, pane->GetSafeHwnd());
    EXPECT_EQ(nullptr, pane->GetBrowser());
    delete pane;  // no window ever owned it: its creator frees it
    EXPECT_EQ(1, deleted);
}

// A pane whose window is begun and then refused during creation (its WM_CREATE fails).
class RefusedPane : public CountedPane {
public:
    using CountedPane::CountedPane;

protected:
    LRESULT OnCreateMessage(WPARAM, LPARAM) { return -1; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RefusedPane, CountedPane)
    ON_MESSAGE(WM_CREATE, OnCreateMessage)
END_MESSAGE_MAP()

TEST(PaneWithoutWindow, RefusedDuringCreationStaysWithItsCreator) {
    HostWindow host;
    int deleted = 0;
    auto* pane = new RefusedPane(true, &deleted);
    EXPECT_FALSE(pane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{3, 41, 531, 554}, host.get(), 200));
    EXPECT_EQ(0, deleted);  // the torn-down window did not free it
    EXPECT_EQ(nullptr, pane->GetSafeHwnd());
    EXPECT_EQ(nullptr, ::GetDlgItem(host.get()->m_hWnd, 200));
    EXPECT_TRUE(pane->EnableNavigate(true));
    pane->SetUrl(kSearch);
    delete pane;
    EXPECT_EQ(1, deleted);
}

TEST(PaneWithoutControl, SaysThePageCannotBeOpenedAndFreesItsPane) {
    HostWindow host;
    int deleted = 0;
    CountedPane* pane = new CountedPane(true, &deleted);
    {
        qvtest::ControlUnavailable noControl;
        ASSERT_TRUE(noControl.active());
        EXPECT_FALSE(pane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{3, 41, 531, 554}, host.get(), 200));
    }
    ASSERT_NE(nullptr, pane->GetSafeHwnd());  // the window stays, and owns the pane
    EXPECT_EQ(nullptr, pane->GetBrowser());
    EXPECT_EQ(nullptr, qvtest::BrowserSurface(*pane));
    pane->SetUrl(kSearch);
    EXPECT_EQ(nullptr, qvtest::RetryButton(*pane));  // nothing asked for yet
    EXPECT_TRUE(pane->EnableNavigate(true));  // window present, no control: nothing to show it
    EXPECT_TRUE(qvtest::PanelShown(*pane));
    pane->SetUrl(kNews);
    pane->SetTop(-65);
    pane->SetLeft(-5);
    MSG key{pane->m_hWnd, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_FALSE(pane->PreTranslateMessage(&key));
    host.get()->DestroyWindow();
    EXPECT_EQ(1, deleted);
}

}  // namespace
