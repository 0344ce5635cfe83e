// A pane's page on its way, there, or not to be had, and its asking again by itself. Wine's
// control completes no page and reports no failure of its own accord, and Wine's network list
// manager never calls its sinks: the control's events are fired at the view's own sink and the
// network's at the sink the pane gives a stand-in manager, as the system would fire them; the
// pane's requests are the real control's BeforeNavigate2, each cancelled.
#include <gtest/gtest.h>

#include <exdispid.h>
#include <netlistmgr.h>
#include <olectl.h>
#include <ole2.h>
#include <urlmon.h>

#include <memory>
#include <string>
#include <vector>

#include "BrowserTestSupport.h"
#include "browser/RecoverySchedule.h"

using Microsoft::WRL::ComPtr;
using qvtest::BrowserSurface;
using qvtest::ControlEvent;
using qvtest::CountedPane;
using qvtest::HostWindow;
using qvtest::NavigationLog;
using qvtest::PanelLineText;
using qvtest::PanelShown;
using qvtest::RetryButton;

namespace {

const char kEventSite[] = "https://event.vara.example";
const char kSearch[] = "https://event.vara.example/market/afq/?canvas_pos=search&keyword=vara";
const wchar_t kSearchW[] = L"https://event.vara.example/market/afq/?canvas_pos=search&keyword=vara";
// What the panel's line says while the page is on its way, and once it cannot be had.
const std::wstring kLoadingLine = L"\u6b63\u5728\u6253\u5f00\u9875\u9762\u2026";
const std::wstring kUnreachableLine =
    L"\u9875\u9762\u65e0\u6cd5\u6253\u5f00\uff0c\u7a0d\u540e\u5c06\u81ea\u52a8\u91cd\u8bd5\u3002";

TEST(RecoverySchedule, WaitsAFewSecondsThenTwiceAsLongEachTimeUpToAMinute) {
    CRecoverySchedule schedule;
    std::vector<uint32_t> delays;
    for (int i = 0; i < 7; ++i) delays.push_back(schedule.NextDelay());
    EXPECT_EQ((std::vector<uint32_t>{3000, 6000, 12000, 24000, 48000, 60000, 60000}), delays);
    schedule.Reset();
    EXPECT_EQ(3000u, schedule.NextDelay());
}

TEST(RecoverySchedule, NeverAsksWithinTwoSecondsOfTheLastRequestAcrossTheTickWrap) {
    CRecoverySchedule schedule;
    EXPECT_EQ(0u, schedule.WaitBeforeAsking(5));  // nothing asked yet
    const uint32_t asked = 0xFFFFFC18;  // a second before the tick count wraps
    schedule.NoteAsked(asked);
    EXPECT_EQ(2000u, schedule.WaitBeforeAsking(asked));
    EXPECT_EQ(500u, schedule.WaitBeforeAsking(asked + 1500));
    EXPECT_EQ(0u, schedule.WaitBeforeAsking(asked + 2000));
    schedule.Reset();  // a fresh start of the delays keeps the gap
    EXPECT_EQ(1u, schedule.WaitBeforeAsking(asked + 1999));
}

// A network list manager as the system offers it: it takes sinks and reports to them when told.
// It keeps every sink it was given, as a manager may call a sink a moment after it let it go.
class NetworkListManager final : public IClassFactory, public IConnectionPointContainer, public IConnectionPoint {
public:
    NetworkListManager() {
        if (FAILED(::CoRegisterClassObject(CLSID_NetworkListManager, static_cast<IClassFactory*>(this),
                                           CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_dwRegister)))
            m_dwRegister = 0;
    }
    ~NetworkListManager() {
        if (m_dwRegister) ::CoRevokeClassObject(m_dwRegister);
    }
    bool active() const { return m_dwRegister != 0; }
    size_t advised() const { return m_advised.size(); }
    void Report(NLM_CONNECTIVITY connectivity) {
        for (const auto& sink : m_held) sink->ConnectivityChanged(connectivity);
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) *ppv = static_cast<IClassFactory*>(this);
        else if (riid == IID_IConnectionPointContainer) *ppv = static_cast<IConnectionPointContainer*>(this);
        else if (riid == IID_IConnectionPoint) *ppv = static_cast<IConnectionPoint*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override { return QueryInterface(riid, ppv); }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
        *ppCP = riid == IID_INetworkListManagerEvents ? this : nullptr;
        return *ppCP ? S_OK : CONNECT_E_NOCONNECTION;
    }
    STDMETHODIMP GetConnectionInterface(IID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IUnknown* pSink, DWORD* pdwCookie) override {
        ComPtr<INetworkListManagerEvents> sink;
        if (FAILED(pSink->QueryInterface(IID_PPV_ARGS(&sink)))) return CONNECT_E_CANNOTCONNECT;
        m_held.push_back(sink);
        m_advised.push_back(++m_dwLastCookie);
        *pdwCookie = m_dwLastCookie;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD dwCookie) override {
        for (auto it = m_advised.begin(); it != m_advised.end(); ++it)
            if (*it == dwCookie) {
                m_advised.erase(it);
                return S_OK;
            }
        return CONNECT_E_NOCONNECTION;
    }
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    DWORD m_dwRegister = 0;
    DWORD m_dwLastCookie = 0;
    std::vector<DWORD> m_advised;
    std::vector<ComPtr<INetworkListManagerEvents>> m_held;
};

bool Visible(HWND hWnd) { return hWnd && (::GetWindowLongW(hWnd, GWL_STYLE) & WS_VISIBLE); }

class PageStates : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_network.active());
        m_pPane = new CountedPane(true, &m_nDeleted);
        m_pPane->SetAllowedSites({kEventSite});
        ASSERT_TRUE(m_pPane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{3, 41, 531, 554}, m_host.get(), 200));
        m_pPane->SetTop(-65);
        m_pPane->SetLeft(-5);
        m_pLog = std::make_unique<NavigationLog>(m_pPane->GetBrowser());
        ASSERT_TRUE(m_pLog->connected());
        m_pSink = qvtest::EventSinks(m_pPane->GetBrowser())[0];  // the view's own, called first
        m_pPane->SetUrl(kSearch);
    }
    void TearDown() override {
        m_pSink.Reset();
        m_pLog.reset();
        m_host.get()->DestroyWindow();
        EXPECT_EQ(1, m_nDeleted);
    }

    // Asks for the page (navigation on) and waits for the request.
    void Ask() {
        EXPECT_TRUE(m_pPane->EnableNavigate(true));
        ASSERT_EQ(1u, m_pLog->WaitFor(1).size());
    }
    size_t Requests() const { return m_pLog->entries().size(); }
    bool WaitForRequests(size_t count, DWORD timeoutMs) {
        return qvtest::PumpUntil([&] { return Requests() >= count; }, timeoutMs);
    }
    void Complete() {
        ControlEvent(DISPID_NAVIGATECOMPLETE2).Dispatch(m_pPane->GetBrowser()).Text(kSearchW).FireAt(m_pSink.Get());
    }
    void Fail() {
        ControlEvent(DISPID_NAVIGATEERROR)
            .Dispatch(m_pPane->GetBrowser()).Text(kSearchW).Text(L"").Long(INET_E_CANNOT_CONNECT).Cancel()
            .FireAt(m_pSink.Get());
    }
    bool SurfaceShown() const { return Visible(BrowserSurface(*m_pPane)); }
    // Whether the dialog manager stops at the pane itself rather than stepping into it.
    bool IsTabStopItself() const {
        const bool bStop = (::GetWindowLongW(m_pPane->m_hWnd, GWL_STYLE) & WS_TABSTOP) != 0;
        const bool bParent = (::GetWindowLongW(m_pPane->m_hWnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0;
        EXPECT_NE(bStop, bParent);
        return bStop;
    }

    NetworkListManager m_network;  // before the pane, which may look for it, and gone after it
    HostWindow m_host;
    int m_nDeleted = 0;
    CountedPane* m_pPane = nullptr;
    std::unique_ptr<NavigationLog> m_pLog;
    ComPtr<IDispatch> m_pSink;
};

TEST_F(PageStates, APageOnItsWayShowsTheGroundThenThatItIsLoadingUntilItIsThere) {
    ASSERT_TRUE(m_pPane->EnableNavigate(true));
    // At once the pane's own ground, not the control's blank page, and no line yet: a page that
    // comes quickly never flashes the loading line.
    EXPECT_FALSE(SurfaceShown());
    EXPECT_EQ(L"", PanelLineText(*m_pPane));
    // Nothing inside can take the focus: the keys stop at the pane itself, until the page is there.
    EXPECT_TRUE(IsTabStopItself());
    Complete();
    EXPECT_TRUE(SurfaceShown());
    EXPECT_FALSE(IsTabStopItself());
    qvtest::Pump(800);
    EXPECT_EQ(L"", PanelLineText(*m_pPane));
    EXPECT_TRUE(SurfaceShown());

    // Asked for again while it shows: the page stays until the loading is worth showing, half a
    // second on.
    const DWORD asked = ::GetTickCount();
    m_pPane->SetUrl(kSearch);
    EXPECT_TRUE(SurfaceShown());
    ASSERT_TRUE(qvtest::PumpUntil([&] { return PanelLineText(*m_pPane) == kLoadingLine; }));
    EXPECT_GE(::GetTickCount() - asked, 450u);
    EXPECT_FALSE(SurfaceShown());
    EXPECT_FALSE(Visible(RetryButton(*m_pPane)));
    Complete();
    EXPECT_TRUE(SurfaceShown());
    EXPECT_EQ(L"", PanelLineText(*m_pPane));
    EXPECT_FALSE(Visible(RetryButton(*m_pPane)));
}

TEST_F(PageStates, AFailedPageGivesThePanelWhichAsksAgainByItselfAFewSecondsLater) {
    Ask();
    Fail();
    const DWORD failed = ::GetTickCount();
    ASSERT_TRUE(PanelShown(*m_pPane));
    EXPECT_EQ(kUnreachableLine, PanelLineText(*m_pPane));
    const HWND hButton = RetryButton(*m_pPane);
    EXPECT_EQ(static_cast<DWORD>(WS_TABSTOP | BS_OWNERDRAW),
              ::GetWindowLongW(hButton, GWL_STYLE) & (WS_TABSTOP | BS_TYPEMASK));
    EXPECT_FALSE(IsTabStopItself());
    ASSERT_TRUE(WaitForRequests(2, 10000));
    EXPECT_GE(::GetTickCount() - failed, CRecoverySchedule::kFirstDelayMs - 50);
    EXPECT_EQ(kSearchW, m_pLog->entries()[1].url);
    // Asking, it shows that it is loading; failing again, the panel again.
    ASSERT_TRUE(qvtest::PumpUntil([&] { return PanelLineText(*m_pPane) == kLoadingLine; }));
    Fail();
    EXPECT_EQ(kUnreachableLine, PanelLineText(*m_pPane));

    // Enter on the focused button asks at once, as a click does; a held key's repeats do not.
    MSG enter{hButton, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
    EXPECT_TRUE(m_pPane->PreTranslateMessage(&enter));
    EXPECT_EQ(3u, Requests());
    enter.lParam |= 1 << 30;
    EXPECT_FALSE(m_pPane->PreTranslateMessage(&enter));
    EXPECT_EQ(3u, Requests());
}

TEST_F(PageStates, ResumeAndTheNetworkBackAskAtOnceButNotWithinTwoSecondsOfTheLastRequest) {
    Ask();
    Fail();
    // Just after a request: the shortest gap holds the next one back.
    m_pPane->AskAgainNow();
    EXPECT_EQ(1u, Requests());
    ASSERT_TRUE(WaitForRequests(2, 5000));  // as soon as the gap allows, before the first delay
    Fail();
    qvtest::Pump(CRecoverySchedule::kShortestGapMs + 100);
    m_pPane->AskAgainNow();
    EXPECT_EQ(3u, Requests());

    Fail();
    qvtest::Pump(CRecoverySchedule::kShortestGapMs + 100);
    ASSERT_EQ(1u, m_network.advised());
    m_network.Report(NLM_CONNECTIVITY_DISCONNECTED);
    qvtest::Pump(100);
    EXPECT_EQ(3u, Requests());  // no network is no reason to ask
    m_network.Report(static_cast<NLM_CONNECTIVITY>(NLM_CONNECTIVITY_IPV4_INTERNET | NLM_CONNECTIVITY_IPV6_SUBNET));
    qvtest::Pump(100);
    EXPECT_EQ(4u, Requests());

    // A pane that shows its page is left alone.
    Complete();
    m_network.Report(NLM_CONNECTIVITY_IPV4_INTERNET);
    m_pPane->AskAgainNow();
    qvtest::Pump(CRecoverySchedule::kShortestGapMs + 100);
    EXPECT_EQ(4u, Requests());
}

TEST_F(PageStates, APaneThatGoesTakesItsTimersAndItsNetworkSinkWithIt) {
    Ask();
    Fail();  // the next request is due in a few seconds
    ASSERT_TRUE(qvtest::PumpUntil([this] { return m_network.advised() == 1; }));
    const HWND hPane = m_pPane->m_hWnd;
    m_pSink.Reset();
    m_pLog.reset();
    m_host.get()->DestroyWindow();
    EXPECT_EQ(1, m_nDeleted);
    EXPECT_EQ(0u, m_network.advised());
    m_network.Report(NLM_CONNECTIVITY_IPV4_INTERNET);  // a report that comes late

    // Past the request's time, nothing is posted or timed for the pane, and no thread timer runs.
    std::vector<MSG> stray;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < CRecoverySchedule::kFirstDelayMs + 500) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == hPane || (msg.message == WM_TIMER && !msg.hwnd)) stray.push_back(msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    }
    EXPECT_TRUE(stray.empty()) << stray.size() << " messages, the first " << stray[0].message;
}

}  // namespace
