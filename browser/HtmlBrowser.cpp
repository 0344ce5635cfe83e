#include "browser/HtmlBrowser.h"

#include <mshtmdid.h>
#include <shellapi.h>
#include <shlwapi.h>  // URL_SCHEME, the schemes IUri reports
#include <shobjidl.h>
#include <wrl/client.h>

#include "browser/DocumentMode.h"
#include "platform/Debug.h"
#include "platform/Gdi.h"
#include "platform/Text.h"
#include "platform/Urlmon.h"

using Microsoft::WRL::ComPtr;

namespace {

// What a pane without border and scroll bars adds to the host flags.
constexpr DWORD kNoScrollBorderFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;

// The line debug builds report a null page address at, wherever the check stands.
constexpr int kNullUrlReportLine = 31;

// A page that is there within kRevealDelayMs never shows that it was loading; one that is
// neither there nor failed after kLoadingBoundMs is taken to be as unreachable as a failed one
// (the network's own time-outs run to minutes).
constexpr UINT kRevealDelayMs = 500;
constexpr UINT kLoadingBoundMs = 30000;
// The pane's timers, beside its panel's.
constexpr UINT_PTR kRevealTimer = 2;
constexpr UINT_PTR kGiveUpTimer = 3;
constexpr UINT_PTR kAskAgainTimer = 4;
// Starting the network watch costs tens of milliseconds. A timer comes after every paint the
// thread has pending, so a page that fails at start does not hold back the window's first paint.
constexpr UINT_PTR kWatchNetworkTimer = 5;
// What the network watch posts when the system reports a connection.
constexpr UINT kNetworkBackMessage = WM_APP + 1;
// A key-down's flag that the key was down before: a held key repeating.
constexpr LPARAM kKeyWasDown = 1 << 30;

// A page of nothing: what a refused page is replaced by, and what frames may show.
constexpr wchar_t kBlankPage[] = L"about:blank";
constexpr char kBlankPageAddress[] = "about:blank";

// What a page may download: images, videos and background sounds; no ActiveX controls, Java or
// binary behaviours. Scripts run: the pages need them.
constexpr DWORD kDownloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_NO_RUNACTIVEXCTLS |
                                   DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_JAVA | DLCTL_NO_BEHAVIORS;

// The protections a host of the browser control should switch on for its process.
constexpr INTERNETFEATURELIST kProcessFeatures[] = {
    FEATURE_ZONE_ELEVATION,        FEATURE_MIME_HANDLING,         FEATURE_MIME_SNIFFING,
    FEATURE_WINDOW_RESTRICTIONS,   FEATURE_WEBOC_POPUPMANAGEMENT, FEATURE_RESTRICT_ACTIVEXINSTALL,
    FEATURE_RESTRICT_FILEDOWNLOAD, FEATURE_SAFE_BINDTOOBJECT,     FEATURE_UNC_SAVEDFILECHECK,
    FEATURE_VALIDATE_NAVIGATE_URL, FEATURE_BLOCK_INPUT_PROMPTS,   FEATURE_HTTP_USERNAME_PASSWORD_DISABLE,
    FEATURE_DISABLE_MK_PROTOCOL,   FEATURE_OBJECT_CACHING,        FEATURE_BEHAVIORS,
    FEATURE_ADDON_MANAGEMENT,
};

// Whether every protection is on. They are set once, before the first control, which reads
// them as it starts. A process where one could not be set shows no page at all.
bool ProcessProtected() {
    static bool bSet = false, bProtected = false;
    if (!bSet) {
        bSet = true;
        const auto setFeature =
            qv::Urlmon().Find<decltype(&::CoInternetSetFeatureEnabled)>("CoInternetSetFeatureEnabled");
        bProtected = setFeature != nullptr;
        for (INTERNETFEATURELIST feature : kProcessFeatures)
            bProtected = bProtected && SUCCEEDED(setFeature(feature, SET_FEATURE_ON_PROCESS, TRUE));
    }
    return bProtected;
}

// A site as a line of its own, "\nscheme://host:port\n" in lower case: room for the longest
// scheme, a host of the longest a DNS name can be, and a port.
constexpr size_t kMaxHostChars = 255;
using SiteLine = wchar_t[16 + kMaxHostChars + 8];

// The site of an http or https address. False, with an empty line, for any other address, for
// one with a user name or password (which can make a foreign host look like a known one), and
// for a host longer than any DNS name.
bool SiteLineOf(const wchar_t* address, SiteLine& line) {
    line[0] = L'\0';
    const auto createUri = qv::Urlmon().Find<decltype(&::CreateUri)>("CreateUri");
    ComPtr<IUri> uri;
    DWORD dwScheme = URL_SCHEME_INVALID, dwProperties = 0, dwPort = 0;
    BSTR host = nullptr;
    if (!createUri || FAILED(createUri(address, Uri_CREATE_CANONICALIZE, 0, &uri)) ||
        FAILED(uri->GetScheme(&dwScheme)) || (dwScheme != URL_SCHEME_HTTP && dwScheme != URL_SCHEME_HTTPS) ||
        FAILED(uri->GetProperties(&dwProperties)) || (dwProperties & Uri_HAS_USER_INFO) ||
        FAILED(uri->GetPort(&dwPort)) || uri->GetHost(&host) != S_OK)
        return false;
    const bool ok = ::SysStringLen(host) <= kMaxHostChars;
    if (ok) {
        ::wsprintfW(line, L"\n%s://%s:%lu\n", dwScheme == URL_SCHEME_HTTPS ? L"https" : L"http", host, dwPort);
        ::CharLowerW(line);
    }
    ::SysFreeString(host);
    return ok;
}

bool IsWebAddress(const wchar_t* address) {
    SiteLine line;
    return SiteLineOf(address, line);
}

bool IsBlankPage(const wchar_t* address) { return ::_wcsicmp(address, kBlankPage) == 0; }

// Whether a failed navigation means the page cannot be had at all: no network, a host that is
// not found or refuses, a certificate that is not good. An HTTP status is the server's own
// answer and its page is shown as it is; a navigation stopped on purpose is no failure.
bool IsUnreachable(long nStatusCode) {
    const HRESULT status = static_cast<HRESULT>(nStatusCode);
    return FAILED(status) && status != E_ABORT && status != INET_E_TERMINATED_BIND;
}

// The keys by which the control would open an address box (Ctrl+O, Ctrl+L), a new window
// (Ctrl+N), the print or save dialog (Ctrl+P, Ctrl+S), or its context menu (Shift+F10, the
// menu key). Ctrl with Alt is AltGr, which types letters on some keyboards (ó, ł, ń, ś).
bool IsSideDoorKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP && msg.message != WM_SYSKEYDOWN &&
        msg.message != WM_SYSKEYUP)
        return false;
    const bool bControl = ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_MENU) >= 0;
    const bool bShift = ::GetKeyState(VK_SHIFT) < 0;
    switch (msg.wParam) {
        case 'O': case 'L': case 'N': case 'P': case 'S': return bControl;
        case VK_F10: return bShift;
        case VK_APPS: return true;
        default: return false;
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CHtmlBrowser, CHtmlView)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_MESSAGE(WM_SIZE, OnSizeMessage)
    ON_WM_CTLCOLOR()
    ON_BN_CLICKED(CPagePanel::kButtonId, OnRetry)
    ON_MESSAGE(WM_TIMER, OnTimerMessage)
    ON_MESSAGE(kNetworkBackMessage, OnNetworkBack)
END_MESSAGE_MAP()

// The first pane sets the process-wide protections and the document mode, before any control
// is made.
CHtmlBrowser::CHtmlBrowser(bool bNoScrollBorder)
    : m_bNavigate(false), m_bNoScrollBorder(bNoScrollBorder), m_panel(*this) {
    qv::EnsureCurrentDocumentMode();
    ProcessProtected();
}

CHtmlBrowser::~CHtmlBrowser() = default;

// Each request is a plain page request shown in the pane itself: no flags, no target frame, no
// extra headers and no post data.
void CHtmlBrowser::SetUrl(const char* lpszUrl) {
    // A null address is a caller's mistake: debug builds report it, and every build keeps the
    // address it already had.
    ASSERT_AT(lpszUrl != nullptr, kNullUrlReportLine);
    if (!lpszUrl) return;
    m_strUrl = lpszUrl;
    if (m_bNavigate) ShowRememberedPage();
}

bool CHtmlBrowser::EnableNavigate(bool bEnable) {
    if (bEnable == m_bNavigate) return m_bNavigate;
    m_bNavigate = bEnable;
    if (bEnable) {
        if (GetSafeHwnd() && !m_strUrl.IsEmpty()) ShowRememberedPage();
    } else {
        m_strUrl.Empty();
    }
    return m_bNavigate;
}

void CHtmlBrowser::ShowRememberedPage() {
    // A pane whose window could not be created stays blank; one without a control, or in a
    // process without its protections, says that the page cannot be opened.
    if (!GetSafeHwnd()) return;
    if (!GetBrowser() || !ProcessProtected()) {
        ShowUnreachable();
        return;
    }
    BeginLoading();
    Navigate2(m_strUrl, 0, nullptr, nullptr, nullptr, 0);
}

void CHtmlBrowser::BeginLoading() {
    const PageState previous = m_state;
    m_state = PageState::kLoading;
    m_schedule.NoteAsked(::GetTickCount());
    ::KillTimer(m_hWnd, kAskAgainTimer);
    ::SetTimer(m_hWnd, kRevealTimer, kRevealDelayMs, nullptr);
    ::SetTimer(m_hWnd, kGiveUpTimer, kLoadingBoundMs, nullptr);
    // The first request shows the pane's own ground, not the control's blank page. Later ones
    // leave the page or the panel in view until the loading is revealed.
    if (previous == PageState::kNone) {
        ShowInstead(CPagePanel::Kind::kGround);
    }
}

void CHtmlBrowser::ShowPage() {
    m_state = PageState::kShown;
    for (UINT_PTR timer : {kRevealTimer, kGiveUpTimer, kAskAgainTimer}) ::KillTimer(m_hWnd, timer);
    m_schedule.Reset();
    ShowInstead(CPagePanel::Kind::kHidden);
}

void CHtmlBrowser::ShowInstead(CPagePanel::Kind kind) {
    if (kind != CPagePanel::Kind::kHidden) ShowBrowser(false);
    m_panel.Show(kind);
    if (kind == CPagePanel::Kind::kHidden) ShowBrowser(true);
    UpdateTabStop();
}

void CHtmlBrowser::ShowUnreachable() {
    m_state = PageState::kUnreachable;
    ::KillTimer(m_hWnd, kRevealTimer);
    ::KillTimer(m_hWnd, kGiveUpTimer);
    ShowInstead(CPagePanel::Kind::kUnreachable);
    // Where the system reports the network back, the pane hears it from its first failure on.
    if (!m_networkWatch.IsWatching()) ::SetTimer(m_hWnd, kWatchNetworkTimer, USER_TIMER_MINIMUM, nullptr);
    ::SetTimer(m_hWnd, kAskAgainTimer, m_schedule.NextDelay(), nullptr);
}

void CHtmlBrowser::AskByItself() {
    if (m_state != PageState::kUnreachable || !m_bNavigate || m_strUrl.IsEmpty()) return;
    const UINT wait = m_schedule.WaitBeforeAsking(::GetTickCount());
    if (wait)
        ::SetTimer(m_hWnd, kAskAgainTimer, wait, nullptr);
    else
        ShowRememberedPage();
}

void CHtmlBrowser::AskAgainNow() {
    if (m_state != PageState::kUnreachable) return;
    m_schedule.Reset();
    AskByItself();
}

LRESULT CHtmlBrowser::OnNetworkBack(WPARAM, LPARAM) {
    AskAgainNow();
    return 0;
}

LRESULT CHtmlBrowser::OnTimerMessage(WPARAM wParam, LPARAM) {
    switch (wParam) {
        case CPagePanel::kMarkTimer: m_panel.StepMark(); break;
        case kRevealTimer:
            ::KillTimer(m_hWnd, kRevealTimer);
            if (m_state == PageState::kLoading) {
                ShowInstead(CPagePanel::Kind::kLoading);
            }
            break;
        case kGiveUpTimer:
            ::KillTimer(m_hWnd, kGiveUpTimer);
            // Unreachable first: an error the control reports while it stops finds it so.
            if (m_state == PageState::kLoading) {
                ShowUnreachable();
                Stop();
            }
            break;
        case kAskAgainTimer:
            ::KillTimer(m_hWnd, kAskAgainTimer);
            AskByItself();
            break;
        case kWatchNetworkTimer:
            ::KillTimer(m_hWnd, kWatchNetworkTimer);
            if (!m_networkWatch.IsWatching()) m_networkWatch.Start(m_hWnd, kNetworkBackMessage);
            break;
        default: return Default();
    }
    return 0;
}

void CHtmlBrowser::SetAllowedSites(std::initializer_list<const char*> sites) {
    m_allowedSites.clear();
    for (const char* site : sites) {
        // A site that is no plain web address allows nothing.
        SiteLine line;
        if (SiteLineOf(qv::WideFromGbk(site).c_str(), line)) m_allowedSites += line;
    }
}

bool CHtmlBrowser::IsAllowedSite(const wchar_t* url) const {
    SiteLine line;
    return SiteLineOf(url, line) && m_allowedSites.find(line) != std::wstring::npos;
}

void CHtmlBrowser::SetPanelLook(const PanelLook& look) { m_panel.SetLook(look); }

CString CHtmlBrowser::PanelLine() const { return m_panel.LineText(); }

// The panel paints its background with the rest.
BOOL CHtmlBrowser::OnEraseBkgnd(HDC hDC) { return m_panel.IsShown() || CHtmlView::OnEraseBkgnd(hDC); }

void CHtmlBrowser::OnPaint() {
    if (!m_panel.IsShown()) return CHtmlView::OnPaint();
    CPaintDC dc(m_hWnd);
    RECT rect;
    GetClientRect(&rect);
    m_panel.Paint(dc, rect);
}

HBRUSH CHtmlBrowser::OnCtlColor(HDC hDC, HWND hWnd, UINT nCtlColor) {
    const HBRUSH hBrush = nCtlColor == CTLCOLOR_STATIC ? m_panel.LineColours(hWnd, hDC) : nullptr;
    return hBrush ? hBrush : CHtmlView::OnCtlColor(hDC, hWnd, nCtlColor);
}

// The user asks: at once, and the delays start afresh.
void CHtmlBrowser::OnRetry() {
    m_schedule.Reset();
    if (m_bNavigate && !m_strUrl.IsEmpty()) ShowRememberedPage();
}

LRESULT CHtmlBrowser::OnSizeMessage(WPARAM wParam, LPARAM lParam) {
    // The panel is centred in the whole pane, whatever the browser surface's offset.
    const LRESULT result = CHtmlView::OnSizeMessage(wParam, lParam);
    m_panel.Arrange();
    return result;
}

HRESULT CHtmlBrowser::OnGetHostInfo(DOCHOSTUIINFO* pInfo) {
    // The window scales itself to the display, so pages are drawn at its DPI too.
    pInfo->dwFlags |= DOCHOSTUIFLAG_DPI_AWARE;
    if (m_bNoScrollBorder) pInfo->dwFlags |= kNoScrollBorderFlags;
    // Redirects come through BeforeNavigate2 too, so they are checked like any other address.
    pInfo->dwFlags |= DOCHOSTUIFLAG_ENABLE_REDIRECT_NOTIFICATION;
    return S_OK;
}

BOOL CHtmlBrowser::PreTranslateMessage(MSG* pMsg) {
    // While the panel shows, keys and clicks are its button's, none of the hidden page's.
    if (m_panel.IsShown()) {
        const bool bEnterOnButton = pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN &&
                                    !(pMsg->lParam & kKeyWasDown) && pMsg->hwnd == m_panel.ButtonWindow();
        if (bEnterOnButton) OnRetry();
        return bEnterOnButton;
    }
    const bool bClick = pMsg->message == WM_LBUTTONUP ||
                        (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_SPACE));
    if (bClick) {
        m_bClicked = true;
        m_dwClick = ::GetTickCount();
    }
    return CHtmlView::PreTranslateMessage(pMsg);
}

void CHtmlBrowser::OnBeforeNavigate2(const wchar_t* url, bool bTopLevel, bool* pbCancel) {
    if (!bTopLevel) {
        // Frames may show web pages, and blank ones.
        if (!IsWebAddress(url) && !IsBlankPage(url)) *pbCancel = true;
        return;
    }
    if (m_bBlanking && IsBlankPage(url)) {
        m_bBlanking = false;
        return;
    }
    if (IsAllowedSite(url)) return;
    *pbCancel = true;
    // A click takes the user to the address, in the user's own browser; a script alone does not.
    const bool bFollowsClick = m_bClicked && ::GetTickCount() - m_dwClick < kClickFollowMs;
    m_bClicked = false;
    if (bFollowsClick && IsWebAddress(url)) LaunchOutside(url);
}

void CHtmlBrowser::OnNavigateComplete2(const wchar_t* url, bool bTopLevel) {
    // A blank page shows nothing from anywhere, and is what a refused page is replaced by.
    if (!bTopLevel || IsBlankPage(url)) return;
    if (IsAllowedSite(url)) {
        ShowPage();
        return;
    }
    // A page came from elsewhere (a redirect the control did not announce): it is not shown,
    // and leaves the control at once.
    ShowUnreachable();
    m_bBlanking = true;
    Navigate2(kBlankPageAddress, 0, nullptr, nullptr, nullptr, 0);
}

void CHtmlBrowser::OnNavigateError(const wchar_t*, bool bTopLevel, long nStatusCode, bool* pbCancel) {
    if (!bTopLevel || !IsUnreachable(nStatusCode)) return;
    // The pane's own panel instead of the control's error page; one already there stays as it is.
    *pbCancel = true;
    if (m_state != PageState::kUnreachable) ShowUnreachable();
}

void CHtmlBrowser::OnNewWindow3(const wchar_t* url, DWORD dwFlags) {
    // A script on its own (a timer, a loop, a page being left) never opens the user's browser;
    // a click does, for a web address.
    const bool bUserAsked = (dwFlags & (NWMF_USERINITED | NWMF_USERREQUESTED)) && !(dwFlags & NWMF_UNLOADING);
    if (bUserAsked && IsWebAddress(url)) LaunchOutside(url);
}

void CHtmlBrowser::LaunchOutside(const wchar_t* url) {
    // Even a page that turns every click into many requests opens one address a second.
    const DWORD dwNow = ::GetTickCount();
    if (m_bLaunched && dwNow - m_dwLastLaunch < kLaunchIntervalMs) return;
    m_bLaunched = true;
    m_dwLastLaunch = dwNow;
    OpenInSystemBrowser(url);
}

void CHtmlBrowser::OpenInSystemBrowser(const wchar_t* url) {
    ::ShellExecuteW(nullptr, L"open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

void CHtmlBrowser::OnWindowClosing(bool, bool* pbCancel) { *pbCancel = true; }

void CHtmlBrowser::OnFileDownload(bool bActiveDocument, bool* pbCancel) {
    if (!bActiveDocument) *pbCancel = true;
}

bool CHtmlBrowser::OnShowContextMenu(DWORD, const POINT*) { return true; }

bool CHtmlBrowser::OnTranslateAccelerator(const MSG& msg) { return IsSideDoorKey(msg); }

bool CHtmlBrowser::OnAmbientDownloadControl(DWORD* pdwFlags) {
    *pdwFlags = kDownloadControl;
    return true;
}

HRESULT CHtmlBrowser::OnAuthenticate(HWND*, LPWSTR*, LPWSTR*) { return E_ACCESSDENIED; }
