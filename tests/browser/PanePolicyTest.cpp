// What a pane lets a page do. Where Wine's control does it (BeforeNavigate2 for every
// navigation, its Cancel honoured) the real control drives the pane; the rest is fired at the
// view's own event sink and asked of its client site as the control would: Wine's control shows
// no page, so it reports no completed or failed page of its own accord, and it never asks its
// host for download control, accelerators, menus or credentials.
#include <gtest/gtest.h>

#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <olectl.h>
#include <ole2.h>
#include <servprov.h>
#include <urlmon.h>

#include <memory>
#include <string>
#include <vector>

#include "BrowserTestSupport.h"
#include "platform/Text.h"

using Microsoft::WRL::ComPtr;
using qvtest::BrowserSurface;
using qvtest::ControlEvent;
using qvtest::CountedPane;
using qvtest::HostWindow;
using qvtest::NavigationLog;
using qvtest::PanelShown;
using qvtest::RetryButton;
using qvtest::SiteOf;

namespace {

const char kEventSite[] = "https://event.vara.example";
const char kGameSite[] = "https://game.vara.example";
const char kSearch[] = "https://event.vara.example/market/afq/?canvas_pos=search&keyword=vara";
const wchar_t kSearchW[] = L"https://event.vara.example/market/afq/?canvas_pos=search&keyword=vara";

using Opened = std::vector<std::wstring>;

class PanePolicy : public ::testing::Test {
protected:
    void SetUp() override {
        m_pPane = new CountedPane(true, &m_nDeleted);
        m_pPane->SetAllowedSites({kEventSite, kGameSite});
        ASSERT_TRUE(m_pPane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{3, 41, 531, 554}, m_host.get(), 200));
        m_pLog = std::make_unique<NavigationLog>(m_pPane->GetBrowser());
        ASSERT_TRUE(m_pLog->connected());
        const auto sinks = qvtest::EventSinks(m_pPane->GetBrowser());
        ASSERT_EQ(2u, sinks.size());
        m_pSink = sinks[0];  // the view's own, connected first and called first
        m_pFrame = SiteOf<IDispatch>(*m_pPane);  // any browser object but the pane's own
        ASSERT_TRUE(m_pFrame);
        EXPECT_TRUE(m_pPane->EnableNavigate(true));
    }
    void TearDown() override {
        m_pSink.Reset();
        m_pFrame.Reset();
        m_pLog.reset();
        m_host.get()->DestroyWindow();
        EXPECT_EQ(1, m_nDeleted);
    }

    // Shows url in the pane; true when the view's sink let the control go there.
    bool Allows(const char* url) {
        const size_t before = m_pLog->entries().size();
        m_pPane->SetUrl(url);
        const auto& log = m_pLog->WaitFor(before + 1);
        return log.size() == before + 1 && !log.back().cancelledBefore;
    }
    // A click on the page, as it passes the dialog's message loop on its way there.
    void Click() {
        MSG release{BrowserSurface(*m_pPane), WM_LBUTTONUP, 0, MAKELPARAM(20, 20), 0, {0, 0}};
        m_pPane->PreTranslateMessage(&release);
    }
    IDispatch* TopLevel() { return m_pPane->GetBrowser(); }
    // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel), as the
    // control announces a link followed; the Cancel the pane left.
    bool Navigation(IDispatch* pDisp, const wchar_t* url) {
        return ControlEvent(DISPID_BEFORENAVIGATE2)
            .Dispatch(pDisp).Text(url).Long(0).Text(L"").Text(L"").Text(L"").Cancel()
            .FireAt(m_pSink.Get());
    }
    void Complete(IDispatch* pDisp, const wchar_t* url) {
        ControlEvent(DISPID_NAVIGATECOMPLETE2).Dispatch(pDisp).Text(url).FireAt(m_pSink.Get());
    }
    // NavigateError(pDisp, URL, TargetFrameName, StatusCode, Cancel); the Cancel the pane left.
    bool Error(IDispatch* pDisp, LONG status) {
        return ControlEvent(DISPID_NAVIGATEERROR).Dispatch(pDisp).Text(kSearchW).Text(L"").Long(status).Cancel().FireAt(
            m_pSink.Get());
    }

    HostWindow m_host;
    int m_nDeleted = 0;
    CountedPane* m_pPane = nullptr;
    std::unique_ptr<NavigationLog> m_pLog;
    ComPtr<IDispatch> m_pSink;
    ComPtr<IDispatch> m_pFrame;
};

TEST_F(PanePolicy, OnlyTheConfiguredSitesGoThroughAndOtherAddressesOpenNothing) {
    for (const char* url : {"file:///C:/windows/win.ini", "res://ieframe.dll/navcancl.htm",
                            "mk:@MSITStore:C:\\help.chm::/a.htm", "javascript:alert(1)", "about:blank",
                            "https://evil.example/", "https://event.vara.example@evil.example/",
                            "https://user:pw@event.vara.example/", "https://event.vara.example.evil.example/",
                            "http://event.vara.example/market/afq/", "https://event.vara.example:8443/", ""})
        EXPECT_FALSE(Allows(url)) << url;
    EXPECT_EQ(Opened{}, m_pPane->opened);
    EXPECT_TRUE(Allows(kSearch));
    EXPECT_TRUE(Allows("HTTPS://GAME.vara.example:443/xzdy/20110803/1239434.shtml"));
}

TEST_F(PanePolicy, AClickOnAForeignAddressOpensItInTheUsersBrowserOnce) {
    // The page is there, and its links lead the control elsewhere.
    Complete(TopLevel(), kSearchW);
    const auto pageGoesTo = [this](const wchar_t* url) { return !Navigation(TopLevel(), url); };
    Click();
    EXPECT_FALSE(pageGoesTo(L"https://news.example/story"));
    EXPECT_EQ(Opened{L"https://news.example/story"}, m_pPane->opened);
    EXPECT_FALSE(pageGoesTo(L"https://news.example/by-script"));  // the click was taken
    Click();
    EXPECT_FALSE(pageGoesTo(L"https://news.example/again"));  // a click, but within a second of the last
    qvtest::Pump(1100);  // past that second: from here the address alone decides
    Click();
    EXPECT_FALSE(pageGoesTo(L"file:///C:/windows/win.ini"));  // never anything but a web address
    Click();
    EXPECT_FALSE(pageGoesTo(L"https://news.example/later"));
    EXPECT_EQ((Opened{L"https://news.example/story", L"https://news.example/later"}), m_pPane->opened);
}

TEST_F(PanePolicy, FramesShowWebPagesAndBlankOnesOnly) {
    const auto frameGoesTo = [this](const wchar_t* url) { return !Navigation(m_pFrame.Get(), url); };
    for (const wchar_t* url : {L"https://ads.example/frame", L"http://cdn.example/", L"about:blank"})
        EXPECT_TRUE(frameGoesTo(url)) << url;
    for (const wchar_t* url : {L"file:///C:/windows/win.ini", L"javascript:alert(1)", L"res://ieframe.dll/x.htm",
                               L"about:home", L"https://user@ads.example/"})
        EXPECT_FALSE(frameGoesTo(url)) << url;
}

TEST_F(PanePolicy, APageFromElsewhereIsNotShownAndLeavesTheControl) {
    // A redirect the control did not announce ends on a foreign site.
    Complete(TopLevel(), L"https://evil.example/landed");
    EXPECT_TRUE(PanelShown(*m_pPane));
    const auto& log = m_pLog->WaitFor(1);
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(L"about:blank", log[0].url);
    EXPECT_FALSE(log[0].cancelledBefore);
    Complete(TopLevel(), L"about:blank");
    EXPECT_TRUE(PanelShown(*m_pPane));
    Complete(m_pFrame.Get(), L"https://ads.example/frame");  // frames do not count
    EXPECT_TRUE(PanelShown(*m_pPane));

    Complete(TopLevel(), kSearchW);
    EXPECT_FALSE(PanelShown(*m_pPane));
    EXPECT_FALSE(::GetWindowLongW(RetryButton(*m_pPane), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(PanePolicy, AnUnreachablePageGivesWayToThePanelWhoseButtonTriesAgain) {
    ASSERT_TRUE(Allows(kSearch));
    // The server's own answer, a frame's failure and a navigation stopped on purpose leave the page.
    EXPECT_FALSE(Error(TopLevel(), 404));
    EXPECT_FALSE(Error(TopLevel(), E_ABORT));
    EXPECT_FALSE(Error(m_pFrame.Get(), INET_E_DOWNLOAD_FAILURE));
    EXPECT_FALSE(PanelShown(*m_pPane));

    // No network, no such host, a refusal, a bad certificate: the control's error page is cancelled.
    for (LONG status : {INET_E_DOWNLOAD_FAILURE, INET_E_RESOURCE_NOT_FOUND, INET_E_CANNOT_CONNECT,
                        INET_E_INVALID_CERTIFICATE})
        EXPECT_TRUE(Error(TopLevel(), status)) << std::hex << status;
    ASSERT_TRUE(PanelShown(*m_pPane));
    const HWND hButton = RetryButton(*m_pPane);
    wchar_t caption[16] = L"";
    ::GetWindowTextW(hButton, caption, 16);
    EXPECT_EQ(L"\u91cd\u8bd5", std::wstring(caption));  // 重试, try again
    // In the middle of the whole pane, not of the page's shifted surface, below the line that
    // says what happened.
    const RECT button = qvtest::RectInParent(hButton);
    EXPECT_NEAR(528 / 2, (button.left + button.right) / 2, 1);
    EXPECT_GT(button.top, 513 / 3);
    EXPECT_LT(button.bottom, 2 * 513 / 3);
    const RECT line = qvtest::RectInParent(qvtest::PanelLine(*m_pPane));
    EXPECT_GE(line.bottom - line.top, 12);  // a line of text
    EXPECT_GE(button.top, line.bottom);
    EXPECT_GT(line.top, 513 / 3);
    // What the button sends the pane when clicked.
    ::SendMessageW(m_pPane->m_hWnd, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hButton), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hButton));
    const auto& log = m_pLog->WaitFor(2);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(kSearchW, log[1].url);
    EXPECT_FALSE(log[1].cancelledBefore);
    EXPECT_FALSE(::GetWindowLongW(BrowserSurface(*m_pPane), GWL_STYLE) & WS_VISIBLE);  // until the page is there

    Complete(TopLevel(), kSearchW);
    EXPECT_FALSE(PanelShown(*m_pPane));
    EXPECT_FALSE(::GetWindowLongW(hButton, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(PanePolicy, TheHostAnswersTheControlsSecurityQuestions) {
    // Process-wide protections, set before the first control.
    for (INTERNETFEATURELIST feature :
         {FEATURE_ZONE_ELEVATION, FEATURE_MIME_HANDLING, FEATURE_MIME_SNIFFING, FEATURE_WINDOW_RESTRICTIONS,
          FEATURE_WEBOC_POPUPMANAGEMENT, FEATURE_RESTRICT_ACTIVEXINSTALL, FEATURE_RESTRICT_FILEDOWNLOAD,
          FEATURE_SAFE_BINDTOOBJECT, FEATURE_UNC_SAVEDFILECHECK, FEATURE_VALIDATE_NAVIGATE_URL,
          FEATURE_BLOCK_INPUT_PROMPTS, FEATURE_HTTP_USERNAME_PASSWORD_DISABLE, FEATURE_DISABLE_MK_PROTOCOL,
          FEATURE_OBJECT_CACHING, FEATURE_BEHAVIORS, FEATURE_ADDON_MANAGEMENT})
        EXPECT_EQ(S_OK, ::CoInternetIsFeatureEnabled(feature, GET_FEATURE_FROM_PROCESS)) << feature;

    // Download control: images, videos and sounds; scripts; no ActiveX, Java or behaviours.
    const ComPtr<IDispatch> ambient = SiteOf<IDispatch>(*m_pPane);
    VARIANT result;
    ::VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                    &none, &result, nullptr, nullptr));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
                  DLCTL_NO_JAVA | DLCTL_NO_BEHAVIORS,
              result.lVal);

    // Credentials: refused, with no window to ask in.
    const ComPtr<IServiceProvider> services = SiteOf<IServiceProvider>(*m_pPane);
    ASSERT_TRUE(services);
    ComPtr<IAuthenticate> authenticate;
    ASSERT_EQ(S_OK, services->QueryService(IID_IAuthenticate, IID_PPV_ARGS(&authenticate)));
    HWND hOwner = m_host.get()->m_hWnd;
    wchar_t anything[] = L"x";
    LPWSTR user = anything, password = anything;
    EXPECT_EQ(E_ACCESSDENIED, authenticate->Authenticate(&hOwner, &user, &password));
    EXPECT_EQ(nullptr, hOwner);
    EXPECT_EQ(nullptr, user);
    EXPECT_EQ(nullptr, password);

    // A page cannot close the pane, nor download what it does not show itself.
    for (bool bChildWindow : {false, true})
        EXPECT_TRUE(ControlEvent(DISPID_WINDOWCLOSING).Bool(bChildWindow).Cancel().FireAt(m_pSink.Get()));
    EXPECT_TRUE(ControlEvent(DISPID_FILEDOWNLOAD).Bool(false).Cancel().FireAt(m_pSink.Get()));
    EXPECT_TRUE(ControlEvent(DISPID_FILEDOWNLOAD).Cancel().FireAt(m_pSink.Get()));  // as older controls send it
    EXPECT_FALSE(ControlEvent(DISPID_FILEDOWNLOAD).Bool(true).Cancel().FireAt(m_pSink.Get()));
}

TEST_F(PanePolicy, OpenNewWindowPrintSaveAndMenuKeysDoNothing) {
    const ComPtr<IDocHostUIHandler> handler = SiteOf<IDocHostUIHandler>(*m_pPane);
    ASSERT_TRUE(handler);
    POINT at = {20, 20};
    EXPECT_EQ(S_OK, handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr));  // shown by none

    // Each key as the control would offer it to its host, and as the dialog's loop offers it to the pane.
    const HWND hPage = BrowserSurface(*m_pPane);
    const auto swallowed = [&](UINT message, WPARAM key) {
        MSG msg{hPage, message, key, 0, 0, {0, 0}};
        const bool bHandler = handler->TranslateAccelerator(&msg, nullptr, 0) == S_OK;
        EXPECT_EQ(bHandler, m_pPane->PreTranslateMessage(&msg) != FALSE) << message << " " << key;
        return bHandler;
    };
    {
        qvtest::HeldKeys control({VK_CONTROL});
        for (WPARAM key : {'O', 'L', 'N', 'P', 'S'}) EXPECT_TRUE(swallowed(WM_KEYDOWN, key)) << char(key);
        MSG copy{hPage, WM_KEYDOWN, 'C', 0, 0, {0, 0}};
        EXPECT_EQ(S_FALSE, handler->TranslateAccelerator(&copy, nullptr, 0));  // copying stays the control's
    }
    {
        qvtest::HeldKeys altGr({VK_CONTROL, VK_MENU});  // types letters on some keyboards
        EXPECT_FALSE(swallowed(WM_KEYDOWN, 'S'));
    }
    {
        qvtest::HeldKeys shift({VK_SHIFT});
        EXPECT_TRUE(swallowed(WM_SYSKEYDOWN, VK_F10));
    }
    EXPECT_TRUE(swallowed(WM_KEYDOWN, VK_APPS));
    EXPECT_TRUE(swallowed(WM_KEYUP, VK_APPS));
    EXPECT_FALSE(swallowed(WM_KEYDOWN, 'O'));  // an o typed into the page
}

// A browser control whose events cannot be connected: an object that stands in for the control,
// lending the real control's interfaces but refusing every event sink, and noting whether it
// was asked to run.
class ControlWithoutEvents final : public IOleObject, public IConnectionPointContainer, public IConnectionPoint {
public:
    explicit ControlWithoutEvents(IUnknown* pReal) : m_pReal(pReal) {}
    bool activated = false;
    bool sited = false;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IOleObject) *ppv = static_cast<IOleObject*>(this);
        else if (riid == IID_IConnectionPointContainer) *ppv = static_cast<IConnectionPointContainer*>(this);
        else if (riid == IID_IConnectionPoint) *ppv = static_cast<IConnectionPoint*>(this);
        else return m_pReal->QueryInterface(riid, ppv);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRefs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_nRefs; }  // lives on the test's stack

    // IOleObject: takes a site and closes; anything else would be running.
    STDMETHODIMP SetClientSite(IOleClientSite* pSite) override {
        sited = pSite != nullptr;
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP Close(DWORD) override { return S_OK; }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override {
        activated = true;
        return S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return E_NOTIMPL; }
    STDMETHODIMP IsUpToDate() override { return E_NOTIMPL; }
    STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IConnectionPointContainer and the one connection point it has, which refuses every sink.
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID, IConnectionPoint** ppCP) override {
        *ppCP = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP GetConnectionInterface(IID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IUnknown*, DWORD* pdwCookie) override {
        *pdwCookie = 0;
        return CONNECT_E_ADVISELIMIT;
    }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }  // IOleObject's and the point's
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    IUnknown* m_pReal;
    ULONG m_nRefs = 1;
};

// Hands out one object for every control made on this thread while alive.
class ControlFactory final : public IClassFactory {
public:
    explicit ControlFactory(IUnknown* pControl) : m_pControl(pControl) {
        if (FAILED(::CoRegisterClassObject(CLSID_WebBrowser, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                           &m_dwRegister)))
            m_dwRegister = 0;
    }
    ~ControlFactory() {
        if (m_dwRegister) ::CoRevokeClassObject(m_dwRegister);
    }
    bool active() const { return m_dwRegister != 0; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        return m_pControl->QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    IUnknown* m_pControl;
    DWORD m_dwRegister = 0;
};

TEST(PaneWithoutEvents, IsNeverActivatedAndSaysThePageCannotBeOpened) {
    ComPtr<IUnknown> real;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&real)));
    ControlWithoutEvents control(real.Get());
    HostWindow host;
    int deleted = 0;
    auto* pane = new CountedPane(true, &deleted);
    pane->SetAllowedSites({kEventSite});
    {
        ControlFactory factory(static_cast<IOleObject*>(&control));
        ASSERT_TRUE(factory.active());
        EXPECT_FALSE(pane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{3, 41, 531, 554}, host.get(), 200));
    }
    EXPECT_FALSE(control.activated);
    EXPECT_FALSE(control.sited);  // and given up again
    ASSERT_NE(nullptr, pane->GetSafeHwnd());
    EXPECT_EQ(nullptr, pane->GetBrowser());
    pane->SetUrl(kSearch);
    EXPECT_TRUE(pane->EnableNavigate(true));
    EXPECT_NE(nullptr, RetryButton(*pane));
    EXPECT_TRUE(::GetWindowLongW(RetryButton(*pane), GWL_STYLE) & WS_VISIBLE);
    host.get()->DestroyWindow();
    EXPECT_EQ(1, deleted);
}

}  // namespace
