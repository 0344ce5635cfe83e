#include "app/QuilVaraDlg.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/AboutDlg.h"
#include "app/Addresses.h"
#include "app/AlwaysOnTop.h"
#include "app/HighContrast.h"
#include "app/Layout.h"
#include "app/Texts.h"
#include "platform/Text.h"
#include "platform/WinApp.h"
#include "res/resource.h"
#include "skin/SkinArt.h"

namespace {

constexpr int kBarFontPointTenths = 90;
constexpr char kBarFontFace[] = "宋体";

// The panel a pane shows for a page on its way or one that cannot be opened, in the skin's font
// and colours: the collapse bar's grey under the frame's light gold, and a button of the small
// buttons' browns with a cream caption.
PanelLook SkinPanelLook(HFONT hFont) {
    PanelLook look;
    look.hFont = hFont;
    look.crBackground = RGB(55, 55, 57);
    look.crText = RGB(236, 184, 92);
    look.crButtonFace = RGB(120, 78, 18);
    look.crButtonHot = RGB(151, 99, 25);
    look.crButtonPressed = RGB(89, 53, 11);
    look.crButtonText = RGB(250, 232, 196);
    look.crButtonEdge = RGB(195, 142, 54);
    look.crFocus = RGB(250, 232, 196);
    return look;
}

// The scales the window is drawn at: from 100 %, the artwork's own size, to Windows' largest.
constexpr UINT kLargestDpi = 480;

UINT UsableDpi(UINT dpi) { return std::clamp(dpi, qv::kDefaultDpi, kLargestDpi); }

SIZE SizeOf(const RECT& rect) { return {rect.right - rect.left, rect.bottom - rect.top}; }

// Moves a child window to rect, in its parent's client pixels.
void MoveTo(const CWnd& child, const RECT& rect) {
    const SIZE size = SizeOf(rect);
    child.MoveWindow(rect.left, rect.top, size.cx, size.cy);
}

// A movable global block holding a copy of size bytes, or null.
HGLOBAL GlobalCopy(const void* data, size_t size) {
    HGLOBAL hBlock = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!hBlock) return nullptr;
    void* target = ::GlobalLock(hBlock);
    if (!target) {
        ::GlobalFree(hBlock);
        return nullptr;
    }
    std::memcpy(target, data, size);
    ::GlobalUnlock(hBlock);
    return hBlock;
}

}  // namespace

CQuilVaraDlg::CQuilVaraDlg(CWnd* pParent, qv::CInstanceClaim* pInstanceClaim)
    : CDialog(IDD_MAIN_DIALOG, pParent), m_pInstanceClaim(pInstanceClaim) {
    m_hIcon = AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr;
}

CQuilVaraDlg::~CQuilVaraDlg() {
    // Panes with windows went with them; m_unownedPanes frees the others.
    m_pSearchView = nullptr;
    m_pNewsView = nullptr;
}

void CQuilVaraDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BEGIN_MESSAGE_MAP(CQuilVaraDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_COMMAND_RANGE(IDC_BTN_SHARE_SINA, IDC_BTN_FORUM, OnShareButton)
    ON_COMMAND(IDC_BTN_CLOSE, OnBtnClose)
    ON_COMMAND(IDC_BTN_MINIMIZE, OnBtnMinimize)
    ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify)
    ON_STN_CLICKED(IDC_COLLAPSE_BAR, OnCollapseBar)
    ON_WM_LBUTTONDOWN()
    ON_WM_CTLCOLOR()
    ON_WM_SETCURSOR()
    ON_REGISTERED_MESSAGE(&g_uTaskbarCreated, OnTaskbarCreated)
    ON_REGISTERED_MESSAGE(&qv::g_uComeForward, OnComeForward)
    ON_WM_DESTROY()
    ON_WM_ENDSESSION()
    ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    ON_MESSAGE(WM_POWERBROADCAST, OnPowerBroadcast)
    ON_MESSAGE(WM_SETTINGCHANGE, OnSettingChange)
    ON_MESSAGE(WM_SYSCOLORCHANGE, OnSettingChange)
END_MESSAGE_MAP()

BOOL CQuilVaraDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (HMENU hSysMenu = GetSystemMenu(FALSE)) {
        qv::AppendAlwaysOnTopItem(hSysMenu);
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            CMenu sysMenu;
            sysMenu.AttachBorrowed(hSysMenu);
            sysMenu.AppendMenu(MF_SEPARATOR);
            sysMenu.AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    // Everything is drawn and placed for the display the window is on. The window does that
    // itself, also when it moves to another display, so the dialog manager must not.
    m_nDpi = UsableDpi(qv::GetWindowDpi(m_hWnd));
    qv::KeepDialogManagerFromScaling(m_hWnd);
    const SIZE window = layout::Scaled(layout::kWindow, m_nDpi);
    MoveWindow(0, 0, window.cx, window.cy, TRUE);
    CenterWindow();

    m_bHighContrast = qv::IsHighContrastOn();
    ApplyContrast();
    SetWindowText(kMainWindowTitle);

    ScalePanelFont();
    m_pSearchView = CreatePane(layout::Scaled(layout::kSearchPane, m_nDpi), IDC_SEARCH_VIEW, kSearchPageUrl);
    m_pNewsView = CreatePane(layout::Scaled(layout::kNewsPane, m_nDpi), IDC_NEWS_VIEW, kNewsArticleUrl);
    // Once the panes are there: the buffer leaves out what they cover.
    BuildSkinBuffer();
    m_searchAccess.Attach(m_pSearchView, kSearchPaneName);
    m_newsAccess.Attach(m_pNewsView, kNewsPaneName);

    // The skin buttons, each sized to one frame of its strip; the strips live in this executable.
    const HINSTANCE hResources = ::GetModuleHandleW(nullptr);
    const char* const shareNames[] = {kShareSinaName, kShareQqName, kCopyTextName, kForumName};
    for (int i = 0; i < 4; ++i)
        CreateSkinButton(m_btnShare[i], IDC_BTN_SHARE_SINA + i, IDB_SHARE_SINA + i, hResources, shareNames[i]);
    CreateSkinButton(m_btnClose, IDC_BTN_CLOSE, IDB_BTN_CLOSE, hResources, kCloseName);
    CreateSkinButton(m_btnMinimize, IDC_BTN_MINIMIZE, IDB_BTN_MINIMIZE, hResources, kMinimizeName);

    m_stcCollapseBar.Create(this, IDC_COLLAPSE_BAR);
    PlaceChildren();
    // Reading order: the panes, the bar, the share buttons left to right (a region of their own),
    // minimise and close.
    m_keyboard.Init(m_hWnd,
                    {{m_pSearchView->GetSafeHwnd(), true}, {m_pNewsView->GetSafeHwnd(), true},
                     {m_stcCollapseBar, false}, {m_btnShare[0], true}, {m_btnShare[1], false},
                     {m_btnShare[2], false}, {m_btnShare[3], false}, {m_btnMinimize, false}, {m_btnClose, false}},
                    m_stcCollapseBar);

    m_trayIcon.Init(m_hWnd, IDI_TRAY, WM_TRAY_NOTIFY, kTrayTip);
    m_trayIcon.SetIcon(qv::LoadSmallIconForDpi(hResources, IDR_MAINFRAME, m_nDpi));
    m_windowIcons.Show(m_hWnd, hResources, IDR_MAINFRAME, m_nDpi);

    m_menuTray.LoadMenu(IDR_TRAY_MENU);
    // From now on a later start of the tool finds this window and no look-alike.
    qv::MarkMainWindow(m_hWnd);
    return TRUE;
}

void CQuilVaraDlg::CreateSkinButton(CSkinButton& button, UINT nID, UINT nStrip, HINSTANCE hResources,
                                    const char* name) {
    // An empty rectangle: the strip sizes the button to one frame.
    button.Create("", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(), this, nID);
    button.SetCaptionShownByArt(name);
    button.SetBitmap(nStrip, hResources, false);
}

void CQuilVaraDlg::PlaceChildren() {
    const UINT dpi = m_nDpi;
    // The search page's cut is set on a surface that fills its pane, as after creation, so that
    // a pane placed again for another scale ends as it would have started at that scale.
    m_pSearchView->SetTop(0);
    m_pSearchView->SetLeft(0);
    MoveTo(*m_pSearchView, layout::Scaled(layout::kSearchPane, dpi));
    const POINT cut = layout::Scaled(layout::kSearchPageOffset, dpi);
    m_pSearchView->SetTop(cut.y);
    m_pSearchView->SetLeft(cut.x);
    MoveTo(*m_pNewsView, layout::Scaled(layout::kNewsPane, dpi));

    POINT at = layout::kFirstShareButton;
    for (CSkinButton& button : m_btnShare) {
        button.SetDpi(dpi);
        const POINT corner = layout::Scaled(at, dpi);
        button.SetWindowPos(nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        at.x += layout::kShareButtonPitch;
    }
    m_btnClose.SetDpi(dpi);
    m_btnMinimize.SetDpi(dpi);
    PlaceSmallButtons();

    MoveTo(m_stcCollapseBar, layout::Scaled(layout::kBarStatic, dpi));
    // Sizing the buttons brought each to the top of its siblings.
    m_keyboard.ApplyOrder();
}

void CQuilVaraDlg::PlaceSmallButtons() {
    const SIZE size = layout::Scaled(layout::kSmallButton, m_nDpi);
    const POINT minimize = layout::Scaled(m_pSmallButtonPlaces->minimize, m_nDpi);
    const POINT close = layout::Scaled(m_pSmallButtonPlaces->close, m_nDpi);
    m_btnMinimize.MoveWindow(minimize.x, minimize.y, size.cx, size.cy, TRUE);
    m_btnClose.MoveWindow(close.x, close.y, size.cx, size.cy, TRUE);
}

void CQuilVaraDlg::ScalePanelFont() {
    // The panes draw with the old font until they have the new one.
    CFont previous;
    previous.Attach(m_fontPanel.Detach());
    m_fontPanel.CreateScaledCopy(g_skinFont.GetSafeHandle(), m_nDpi);
    for (CHtmlBrowser* pane : {m_pSearchView, m_pNewsView})
        if (pane) pane->SetPanelLook(qv::PanelLookFor(SkinPanelLook(m_fontPanel), m_bHighContrast));
}

void CQuilVaraDlg::ApplyContrast() {
    const qv::FocusMarkColours mark = qv::FocusMarkFor(m_bHighContrast);
    for (CSkinButton& button : m_btnShare) button.SetFocusMark(mark);
    m_btnClose.SetFocusMark(mark);
    m_btnMinimize.SetFocusMark(mark);
    m_stcCollapseBar.SetHighContrast(m_bHighContrast);
}

CHtmlBrowser* CQuilVaraDlg::CreatePane(const RECT& rect, UINT nID, const char* url) {
    auto pane = std::make_unique<CHtmlBrowser>(true);
    pane->SetAllowedSites({kEventSite, kGameSite, kForumSite});
    pane->SetPanelLook(qv::PanelLookFor(SkinPanelLook(m_fontPanel), m_bHighContrast));
    pane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, this, nID);
    pane->SetUrl(url);
    pane->EnableNavigate(true);
    if (!pane->GetSafeHwnd()) {
        m_unownedPanes.push_back(std::move(pane));
        return m_unownedPanes.back().get();
    }
    return pane.release();
}

void CQuilVaraDlg::BuildSkinBuffer() {
    CClientDC dc(m_hWnd);
    const SIZE window = layout::Scaled(layout::kWindow, m_nDpi);
    m_rcClient = CRect(0, 0, window.cx, window.cy);
    // The panes' windows always cover their places, so the buffer keeps only the skin around
    // them; where a pane has no window, the skin under it shows.
    std::vector<RECT> covered;
    if (m_pSearchView->GetSafeHwnd()) covered.push_back(layout::Scaled(layout::kSearchPane, m_nDpi));
    if (m_pNewsView->GetSafeHwnd()) covered.push_back(layout::Scaled(layout::kNewsPane, m_nDpi));
    // A new buffer first: its new contexts let go of the font of an earlier scale.
    m_dcBuffer.Create(dc, window, covered);
    // The bar's text keeps this font and transparent background for the life of the buffer.
    m_font.CreatePointFont(kBarFontPointTenths, kBarFontFace, m_nDpi);
    m_dcBuffer.DrawOnParts([this](CDC& part) {
        part.SelectObject(m_font);
        part.SetBkMode(TRANSPARENT);
    });
    ComposeBuffer();
}

void CQuilVaraDlg::ComposeBuffer() {
    const HINSTANCE hResources = ::GetModuleHandleW(nullptr);
    // A collapse leaves the columns right of the collapsed background as they were.
    const SIZE background = layout::Scaled(m_bExpanded ? layout::kWindow : layout::kCollapsedWindow, m_nDpi);
    m_dcBuffer.DrawArt(hResources, m_bExpanded ? IDB_BG_EXPANDED : IDB_BG_COLLAPSED, {0, 0}, background);
    // The bar goes over the background, covering the text it had before.
    const RECT bar = layout::Scaled(layout::kBarImage, m_nDpi);
    m_dcBuffer.DrawArt(hResources, IDB_COLLAPSE_BAR, {bar.left, bar.top}, SizeOf(bar));
    m_dcBuffer.DrawOnParts([this](const CDC& part) { m_stcCollapseBar.DrawFace(part, m_nDpi); });
}

void CQuilVaraDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    m_dcBuffer.CopyTo(dc);
    m_stcCollapseBar.DrawFocusMark(dc, m_nDpi);
    if (IsIconic()) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (rect.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CQuilVaraDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CQuilVaraDlg::OnLButtonDown(UINT nFlags, POINT point) {
    const bool bInTitleBand = point.y >= 0 && point.y <= layout::Scaled(layout::kDragBandBottom, m_nDpi);
    if (bInTitleBand && point.x >= 0 && point.x <= m_rcClient.Width())
        PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    CDialog::OnLButtonDown(nFlags, point);
}

void CQuilVaraDlg::OnCollapseBar() {
    m_bExpanded = !m_bExpanded;
    m_stcCollapseBar.SetExpanded(m_bExpanded);
    // The right pane is out of sight while collapsed: the keys pass it by.
    m_keyboard.SetReachable(m_pNewsView->GetSafeHwnd(), m_bExpanded);
    ComposeBuffer();

    // As large as the state's background, which is the layout's size at the window's scale.
    const SIZE window = layout::Scaled(m_bExpanded ? layout::kWindow : layout::kCollapsedWindow, m_nDpi);
    SetWindowPos(nullptr, 0, 0, window.cx, window.cy, SWP_NOMOVE | SWP_NOZORDER);

    m_pSmallButtonPlaces = m_bExpanded ? &layout::kSmallButtonsExpanded : &layout::kSmallButtonsCollapsed;
    PlaceSmallButtons();

    const RECT dirty = {layout::Scaled(layout::kBarOrigin.x, m_nDpi), 0, window.cx, window.cy};
    InvalidateRect(&dirty, FALSE);
}

HBRUSH CQuilVaraDlg::OnCtlColor(HDC hDC, HWND hWnd, UINT nCtlColor) {
    HBRUSH hBrush = CDialog::OnCtlColor(hDC, hWnd, nCtlColor);
    if (hWnd && ::GetDlgCtrlID(hWnd) == IDC_COLLAPSE_BAR) {
        // The bar's image belongs to the window's surface: let it show through.
        ::SetBkMode(hDC, TRANSPARENT);
        return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    }
    return hBrush;
}

BOOL CQuilVaraDlg::OnSetCursor(HWND hWnd, UINT nHitTest, UINT message) {
    return CDialog::OnSetCursor(hWnd, nHitTest, message);
}

void CQuilVaraDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else if ((nID & 0xFFF0) == IDM_ALWAYS_ON_TOP) {
        qv::ToggleAlwaysOnTop(m_hWnd);
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

BOOL CQuilVaraDlg::PreTranslateMessage(MSG* pMsg) {
    // Keys that move between regions or press the focused control (keyboard cues follow every key
    // and mouse press); the filter below keeps the rest.
    if (m_keyboard.PreTranslateMessage(*pMsg)) return TRUE;
    if (pMsg->message == WM_KEYDOWN &&
        (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_SPACE)) {
        // Typed into a page (its search box, its links) or a window of a page's own: the page's
        // key, dispatched straight to it, past the dialog's key handling, so it can neither end
        // the dialog nor press a button.
        return BelongsToPage(pMsg->hwnd) ? FALSE : TRUE;
    }
    if (pMsg->message == WM_RBUTTONUP) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

bool CQuilVaraDlg::BelongsToPage(HWND hWnd) const {
    // The browser control's own windows (its Find box, a page's dialog) are top-level windows.
    // Windows makes the pane's top-level window, this dialog, their owner, so they come here
    // through the owner chain. The other windows it owns (About box, message boxes) run loops of
    // their own, whose keys never come here.
    const HWND hRoot = ::GetAncestor(hWnd, GA_ROOT);
    if (hRoot != m_hWnd) {
        for (HWND hOwner = ::GetWindow(hRoot, GW_OWNER); hOwner; hOwner = ::GetWindow(hOwner, GW_OWNER))
            if (hOwner == m_hWnd) return true;
        return false;
    }
    const auto inPane = [hWnd](const CHtmlBrowser* pane) {
        const HWND hPane = pane ? pane->GetSafeHwnd() : nullptr;
        return hPane && (hWnd == hPane || ::IsChild(hPane, hWnd));
    };
    return inPane(m_pSearchView) || inPane(m_pNewsView);
}

CQuilVaraDlg::CopyResult CQuilVaraDlg::CopyRecommendation() {
    // Everything the clipboard will own is made before it is opened, so that running out of
    // memory leaves the user's clipboard as it was.
    const std::wstring wide = qv::WideFromGbk(kRecommendation);
    const LCID locale = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);
    HGLOBAL blocks[] = {GlobalCopy(kRecommendation, sizeof kRecommendation),
                        GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)),
                        GlobalCopy(&locale, sizeof locale)};
    const UINT formats[] = {CF_TEXT, CF_UNICODETEXT, CF_LOCALE};

    CopyResult result = CopyResult::kUnchanged;
    bool bOpen = blocks[0] && blocks[1] && blocks[2];
    if (bOpen) {
        // Another program may hold the clipboard for a moment: try again briefly.
        for (int attempt = 0; !OpenClipboard(); ++attempt) {
            if (attempt == 10) {
                bOpen = false;
                result = CopyResult::kBusy;
                break;
            }
            ::Sleep(20);
        }
    }
    if (bOpen) {
        if (::EmptyClipboard()) {
            // From here the old contents are gone. Without the text itself nothing else is put
            // there, so the clipboard is plainly empty rather than half filled.
            result = CopyResult::kEmptied;
            // Once taken, a block belongs to the clipboard; one it refused is still ours.
            for (int i = 0; i < 3 && ::SetClipboardData(formats[i], blocks[i]); ++i) {
                blocks[i] = nullptr;
                result = CopyResult::kCopied;
            }
        }
        ::CloseClipboard();
    }
    for (HGLOBAL hBlock : blocks)
        if (hBlock) ::GlobalFree(hBlock);
    return result;
}

void CQuilVaraDlg::OnShareButton(UINT nID) {
    const char* url = nullptr;
    switch (nID) {
        case IDC_BTN_COPY_TEXT: {
            const CopyResult result = CopyRecommendation();
            if (result == CopyResult::kCopied) {
                MessageBox(kCopySucceeded, nullptr, MB_OK);
                return;
            }
            const char* failure = result == CopyResult::kBusy      ? kCopyFailedBusy
                                  : result == CopyResult::kEmptied ? kCopyFailedEmptied
                                                                   : kCopyFailedUnchanged;
            MessageBox(failure, nullptr, MB_OK | MB_ICONWARNING);
            return;
        }
        case IDC_BTN_SHARE_SINA: url = kShareSinaUrl; break;
        case IDC_BTN_SHARE_QQ: url = kShareQqUrl; break;
        case IDC_BTN_FORUM: url = kForumUrl; break;
        default: return;
    }
    // Opened in the user's default web browser; a failed launch is not reported.
    ::ShellExecuteW(nullptr, L"open", qv::WideFromGbk(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CQuilVaraDlg::OnBtnClose() {
    m_trayIcon.Remove();
    PostMessage(WM_CLOSE, 0, 0);
}

void CQuilVaraDlg::OnBtnMinimize() {
    m_trayIcon.Show();
    ShowWindow(SW_MINIMIZE);
}

LRESULT CQuilVaraDlg::OnTrayNotify(WPARAM, LPARAM lParam) {
    if (lParam == WM_RBUTTONUP) {
        HMENU hPopup = m_menuTray.GetSubMenu(0);
        POINT cursor;
        ::GetCursorPos(&cursor);
        // Without the foreground the menu would not close when the user clicks elsewhere.
        SetForegroundWindow();
        ::TrackPopupMenu(hPopup, TPM_VERTICAL | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, m_hWnd, nullptr);
        PostMessage(WM_NULL);
    } else if (lParam == WM_LBUTTONDBLCLK) {
        ShowWindow(SW_SHOWNORMAL);
        AskPanesAgain();
    }
    return 0;
}

LRESULT CQuilVaraDlg::OnTaskbarCreated(WPARAM, LPARAM) {
    m_trayIcon.OnTaskbarCreated();
    return 0;
}

LRESULT CQuilVaraDlg::OnComeForward(WPARAM, LPARAM) {
    qv::ComeForward(m_hWnd);
    AskPanesAgain();
    return 0;
}

LRESULT CQuilVaraDlg::OnInitMenuPopup(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam)) qv::CheckAlwaysOnTopItem(m_hWnd, reinterpret_cast<HMENU>(wParam));
    return Default();
}

void CQuilVaraDlg::OnDestroy() {
    qv::UnmarkMainWindow(m_hWnd);
    if (m_pInstanceClaim) m_pInstanceClaim->Release();
    // However the window goes, its icon goes with it: no ghost in the notification area.
    m_trayIcon.Remove();
    CDialog::OnDestroy();
}

void CQuilVaraDlg::OnEndSession(BOOL bEnding) {
    if (bEnding) m_trayIcon.Remove();
    CDialog::OnEndSession(bEnding);
}

LRESULT CQuilVaraDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    // Windows' rectangle keeps the window on the display that made the change; another size
    // could move it back across the border and start over.
    if (const auto* pSuggested = reinterpret_cast<const RECT*>(lParam)) {
        const SIZE size = SizeOf(*pSuggested);
        SetWindowPos(nullptr, pSuggested->left, pSuggested->top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The DPI comes with the message: not every system updates the window's own by now.
    const UINT dpi = UsableDpi(LOWORD(wParam));
    if (dpi == m_nDpi) return 0;
    m_nDpi = dpi;
    BuildSkinBuffer();
    ScalePanelFont();
    PlaceChildren();
    m_trayIcon.SetIcon(qv::LoadSmallIconForDpi(::GetModuleHandleW(nullptr), IDR_MAINFRAME, m_nDpi));
    m_windowIcons.Show(m_hWnd, ::GetModuleHandleW(nullptr), IDR_MAINFRAME, m_nDpi);
    Invalidate(FALSE);
    return 0;
}

LRESULT CQuilVaraDlg::OnPowerBroadcast(WPARAM wParam, LPARAM) {
    if (wParam == PBT_APMRESUMEAUTOMATIC) AskPanesAgain();
    return TRUE;
}

void CQuilVaraDlg::AskPanesAgain() {
    for (CHtmlBrowser* pane : {m_pSearchView, m_pNewsView})
        if (pane) pane->AskAgainNow();
}

LRESULT CQuilVaraDlg::OnSettingChange(WPARAM, LPARAM) {
    Default();
    const bool bHighContrast = qv::IsHighContrastOn();
    // The system's colours matter only in high contrast, where they may have changed.
    if (bHighContrast == m_bHighContrast && !bHighContrast) return 0;
    m_bHighContrast = bHighContrast;
    ApplyContrast();
    ScalePanelFont();
    ComposeBuffer();
    Invalidate(FALSE);
    return 0;
}

BOOL CQuilVaraDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
        case ID_TRAY_EXIT:
            m_trayIcon.Remove();
            PostMessage(WM_CLOSE, 0, 0);
            break;
        case ID_TRAY_SHOW:
            ShowWindow(SW_SHOWNORMAL);
            AskPanesAgain();
            break;
        default:
            break;
    }
    return CDialog::OnCommand(wParam, lParam);
}
