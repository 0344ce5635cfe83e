#include "app/QuilVaraDlg.h"

#include <shellapi.h>

#include <cstring>
#include <string>

#include "app/AboutDlg.h"
#include "app/Addresses.h"
#include "app/Layout.h"
#include "app/Texts.h"
#include "platform/Text.h"
#include "platform/WinApp.h"
#include "res/resource.h"

namespace {

constexpr COLORREF kBarTextColor = RGB(146, 111, 42);
constexpr int kBarFontPointTenths = 90;
constexpr char kBarFontFace[] = "宋体";

// The panel a pane shows for a page that cannot be opened, in the skin's font and colours: the
// collapse bar's grey under the frame's light gold.
PanelLook SkinPanelLook() {
    PanelLook look;
    look.hFont = g_skinButtonAttribute.GetFont();
    look.crBackground = RGB(55, 55, 57);
    look.crText = RGB(236, 184, 92);
    return look;
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
    m_font.CreatePointFont(kBarFontPointTenths, kBarFontFace);
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
END_MESSAGE_MAP()

BOOL CQuilVaraDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (HMENU hSysMenu = GetSystemMenu(FALSE)) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            CMenu sysMenu;
            sysMenu.AttachBorrowed(hSysMenu);
            sysMenu.AppendMenu(MF_SEPARATOR);
            sysMenu.AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    MoveWindow(0, 0, layout::kWindow.cx, layout::kWindow.cy, TRUE);
    CenterWindow();

    BuildSkinBuffer();
    SetWindowText(kMainWindowTitle);

    m_pSearchView = CreatePane(layout::kSearchPane, IDC_SEARCH_VIEW, kSearchPageUrl);
    m_pSearchView->SetTop(layout::kSearchPageOffset.y);
    m_pSearchView->SetLeft(layout::kSearchPageOffset.x);
    m_pNewsView = CreatePane(layout::kNewsPane, IDC_NEWS_VIEW, kNewsArticleUrl);

    // The skin buttons, each sized to one frame of its strip; the strips live in this executable.
    const HINSTANCE hResources = ::GetModuleHandleW(nullptr);
    POINT at = layout::kFirstShareButton;
    for (int i = 0; i < 4; ++i, at.x += layout::kShareButtonPitch)
        CreateSkinButton(m_btnShare[i], at, IDC_BTN_SHARE_SINA + i, IDB_SHARE_SINA + i, hResources);
    const layout::SmallButtonPlaces& places = layout::kSmallButtonsAtStart;
    CreateSkinButton(m_btnClose, places.close, IDC_BTN_CLOSE, IDB_BTN_CLOSE, hResources);
    CreateSkinButton(m_btnMinimize, places.minimize, IDC_BTN_MINIMIZE, IDB_BTN_MINIMIZE, hResources);

    m_stcCollapseBar.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, layout::kBarStatic, this,
                            IDC_COLLAPSE_BAR);

    m_trayIcon.Init(m_hWnd, IDI_TRAY, WM_TRAY_NOTIFY, m_hIcon, kTrayTip);

    m_menuTray.LoadMenu(IDR_TRAY_MENU);
    // From now on a later start of the tool finds this window and no look-alike.
    qv::MarkMainWindow(m_hWnd);
    return TRUE;
}

void CQuilVaraDlg::CreateSkinButton(CSkinButton& button, POINT at, UINT nID, UINT nStrip,
                                    HINSTANCE hResources) {
    // An empty rectangle at the button's corner: the strip sizes it to one frame.
    button.Create("", WS_CHILD | WS_VISIBLE, CRect(at.x, at.y, 0, 0), this, nID);
    button.SetBitmap(nStrip, hResources, false);
}

CHtmlBrowser* CQuilVaraDlg::CreatePane(const RECT& rect, UINT nID, const char* url) {
    auto pane = std::make_unique<CHtmlBrowser>(true);
    pane->SetAllowedSites({kEventSite, kGameSite, kForumSite});
    pane->SetPanelLook(SkinPanelLook());
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
    GetClientRect(&m_rcClient);

    m_bmpBgExpanded.LoadBitmap(IDB_BG_EXPANDED);
    m_bmpBgExpanded.GetBitmap(&m_bmBgExpanded);
    m_bmpBgCollapsed.LoadBitmap(IDB_BG_COLLAPSED);
    m_bmpBgCollapsed.GetBitmap(&m_bmBgCollapsed);
    m_bmpBar.LoadBitmap(IDB_COLLAPSE_BAR);
    m_bmpBar.GetBitmap(&m_bmBar);

    m_dcBuffer.CreateCompatibleDC(dc);
    m_bmpBuffer.CreateCompatibleBitmap(dc, m_rcClient.Width(), m_rcClient.Height());
    m_dcBuffer.SelectObject(m_bmpBuffer);

    m_dcSkin.CreateCompatibleDC(dc);
    // The bar's text keeps this font and transparent background for the life of the buffer.
    m_dcBuffer.SelectObject(m_font);
    m_dcBuffer.SetBkMode(TRANSPARENT);
    ComposeBuffer(m_bmpBgExpanded, m_bmBgExpanded, kBarTextCollapse);
}

void CQuilVaraDlg::ComposeBuffer(const CBitmap& background, const BITMAP& header, const char* barText) {
    m_dcSkin.SelectObject(background);
    m_dcBuffer.BitBlt(0, 0, header.bmWidth, header.bmHeight, m_dcSkin, 0, 0, SRCCOPY);
    // The bar goes over the background, covering the text it had before.
    m_dcSkin.SelectObject(m_bmpBar);
    const POINT bar = layout::kBarOrigin;
    m_dcBuffer.BitBlt(bar.x, bar.y, m_bmBar.bmWidth, m_bmBar.bmHeight, m_dcSkin, 0, 0, SRCCOPY);
    m_dcBuffer.SetTextColor(kBarTextColor);
    RECT textRect = layout::kBarText;
    m_dcBuffer.DrawText(barText, &textRect, DT_WORDBREAK);
}

void CQuilVaraDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    dc.BitBlt(0, 0, m_rcClient.Width(), m_rcClient.Height(), m_dcBuffer, 0, 0, SRCCOPY);
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
    const bool bInTitleBand = point.y >= 0 && point.y <= layout::kDragBandBottom;
    if (bInTitleBand && point.x >= 0 && point.x <= m_rcClient.Width())
        PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    CDialog::OnLButtonDown(nFlags, point);
}

void CQuilVaraDlg::OnCollapseBar() {
    const bool bCollapse = m_bExpanded;
    const CBitmap& background = bCollapse ? m_bmpBgCollapsed : m_bmpBgExpanded;
    const BITMAP& header = bCollapse ? m_bmBgCollapsed : m_bmBgExpanded;

    ComposeBuffer(background, header, bCollapse ? kBarTextExpand : kBarTextCollapse);

    SetWindowPos(nullptr, 0, 0, header.bmWidth, header.bmHeight, SWP_NOMOVE | SWP_NOZORDER);
    m_bExpanded = !bCollapse;

    const layout::SmallButtonPlaces& places =
        bCollapse ? layout::kSmallButtonsCollapsed : layout::kSmallButtonsExpanded;
    const SIZE size = layout::kSmallButton;
    m_btnMinimize.MoveWindow(places.minimize.x, places.minimize.y, size.cx, size.cy, TRUE);
    m_btnClose.MoveWindow(places.close.x, places.close.y, size.cx, size.cy, TRUE);

    const RECT dirty = {layout::kBarOrigin.x, 0, header.bmWidth, header.bmHeight};
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
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

BOOL CQuilVaraDlg::PreTranslateMessage(MSG* pMsg) {
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
    }
    return 0;
}

LRESULT CQuilVaraDlg::OnTaskbarCreated(WPARAM, LPARAM) {
    m_trayIcon.OnTaskbarCreated();
    return 0;
}

LRESULT CQuilVaraDlg::OnComeForward(WPARAM, LPARAM) {
    qv::ComeForward(m_hWnd);
    return 0;
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

BOOL CQuilVaraDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
        case ID_TRAY_EXIT:
            m_trayIcon.Remove();
            PostMessage(WM_CLOSE, 0, 0);
            break;
        case ID_TRAY_SHOW:
            ShowWindow(SW_SHOWNORMAL);
            break;
        default:
            break;
    }
    return CDialog::OnCommand(wParam, lParam);
}
