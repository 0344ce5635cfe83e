#include "app/QuilVaraDlg.h"

#include <cstring>
#include <string>

#include "app/AboutDlg.h"
#include "app/Addresses.h"
#include "app/RunningInstance.h"
#include "app/Texts.h"
#include "app/resource.h"
#include "platform/Text.h"
#include "platform/WinApp.h"

namespace {

constexpr COLORREF kBarTextColor = RGB(146, 111, 42);
constexpr RECT kBarTextRect = {536, 330, 551, 400};
constexpr POINT kBarOrigin = {531, 41};
constexpr int kDragBandBottom = 41;  // rows 0 to 41 drag the window
constexpr int kSmallButtonWidth = 21;
constexpr int kSmallButtonHeight = 19;

// The recommendation text ends with the download page's full address.
constexpr const char kRecommendation[] =
    "发现个Quil的#vara#好感度查询器，能轻松搜NPC好感所需物品，送NPC礼物方便多了，下载地址是："
    QV_HOST_GAME "/afq.html";

// The icon record keeps the first version's form: 88 bytes in the 32-bit build.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "first-version icon record");

// The shell broadcasts this when it (re)starts; a shown icon must then be added again.
const UINT g_uTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");

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

CQuilVaraDlg::CQuilVaraDlg(CWnd* pParent) : CDialog(IDD_MAIN_DIALOG, pParent) {
    m_hIcon = AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr;
    m_font.CreatePointFont(90, "宋体");
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

    MoveWindow(0, 0, 940, 600, TRUE);
    CenterWindow();

    BuildSkinBuffer();
    SetWindowText(kMainWindowTitle);

    // The web panes; the left one's page is cropped by 65 rows at the top and 5 columns at the left.
    m_pSearchView = CreatePane(CRect(3, 41, 531, 554), IDC_SEARCH_VIEW, kSearchPageUrl);
    m_pSearchView->SetTop(-65);
    m_pSearchView->SetLeft(-5);
    m_pNewsView = CreatePane(CRect(554, 41, 937, 598), IDC_NEWS_VIEW, kNewsArticleUrl);

    // The skin buttons, each sized to one frame of its strip; the strips live in this executable.
    const HINSTANCE hResources = ::GetModuleHandleW(nullptr);
    for (int i = 0; i < 4; ++i) {
        m_btnShare[i].Create("", WS_CHILD | WS_VISIBLE, CRect(12 + 131 * i, 560, 0, 0), this,
                             IDC_BTN_SHARE_SINA + i);
        m_btnShare[i].SetBitmap(IDB_SHARE_SINA + i, hResources, false);
    }
    m_btnClose.Create("", WS_CHILD | WS_VISIBLE, CRect(910, 10, 0, 0), this, IDC_BTN_CLOSE);
    m_btnClose.SetBitmap(IDB_BTN_CLOSE, hResources, false);
    m_btnMinimize.Create("", WS_CHILD | WS_VISIBLE, CRect(886, 10, 0, 0), this, IDC_BTN_MINIMIZE);
    m_btnMinimize.SetBitmap(IDB_BTN_MINIMIZE, hResources, false);

    m_stcCollapseBar.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(531, 41, 554, 565), this,
                            IDC_COLLAPSE_BAR);

    m_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_nid.hWnd = m_hWnd;
    m_nid.uID = IDI_TRAY;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAY_NOTIFY;
    m_nid.hIcon = m_hIcon;
    lstrcpynA(m_nid.szTip, kTrayTip, sizeof m_nid.szTip);

    m_menuTray.LoadMenu(IDR_TRAY_MENU);
    // From now on a later start of the tool finds this window and no look-alike.
    qv::MarkMainWindow(m_hWnd);
    return TRUE;
}

CHtmlBrowser* CQuilVaraDlg::CreatePane(const RECT& rect, UINT nID, const char* url) {
    auto pane = std::make_unique<CHtmlBrowser>(true);
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
    m_dcBuffer.BitBlt(kBarOrigin.x, kBarOrigin.y, m_bmBar.bmWidth, m_bmBar.bmHeight, m_dcSkin, 0, 0, SRCCOPY);
    m_dcBuffer.SetTextColor(kBarTextColor);
    RECT textRect = kBarTextRect;
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
    if (point.x >= 0 && point.x <= m_rcClient.Width() && point.y >= 0 && point.y <= kDragBandBottom)
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

    // After an expand the small buttons stand one pixel lower than at creation.
    const POINT minimize = bCollapse ? POINT{479, 10} : POINT{886, 11};
    const POINT close = bCollapse ? POINT{503, 10} : POINT{910, 11};
    m_btnMinimize.MoveWindow(minimize.x, minimize.y, kSmallButtonWidth, kSmallButtonHeight, TRUE);
    m_btnClose.MoveWindow(close.x, close.y, kSmallButtonWidth, kSmallButtonHeight, TRUE);

    const RECT dirty = {kBarOrigin.x, 0, header.bmWidth, header.bmHeight};
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
        // Typed into a page (its search box, its links): the page's key, dispatched straight to
        // it, past the dialog's key handling, so it can neither end the dialog nor press a button.
        const auto inPane = [pMsg](const CHtmlBrowser* pane) {
            const HWND hPane = pane ? pane->GetSafeHwnd() : nullptr;
            return hPane && (pMsg->hwnd == hPane || ::IsChild(hPane, pMsg->hwnd));
        };
        return inPane(m_pSearchView) || inPane(m_pNewsView) ? FALSE : TRUE;
    }
    if (pMsg->message == WM_RBUTTONUP) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
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

void CQuilVaraDlg::NotifyTrayIcon(DWORD dwMessage) {
    // m_nid keeps its code page 936 tip; the call gets it converted, whatever the system code page.
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    nid.hWnd = m_nid.hWnd;
    nid.uID = m_nid.uID;
    nid.uFlags = m_nid.uFlags;
    nid.uCallbackMessage = m_nid.uCallbackMessage;
    nid.hIcon = m_nid.hIcon;
    lstrcpynW(nid.szTip, qv::WideFromGbk(m_nid.szTip).c_str(), ARRAYSIZE(nid.szTip));
    ::Shell_NotifyIconW(dwMessage, &nid);
    m_bTrayIconShown = dwMessage == NIM_ADD;
}

void CQuilVaraDlg::OnBtnClose() {
    NotifyTrayIcon(NIM_DELETE);
    PostMessage(WM_CLOSE, 0, 0);
}

void CQuilVaraDlg::OnBtnMinimize() {
    NotifyTrayIcon(NIM_ADD);
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
    if (m_bTrayIconShown) NotifyTrayIcon(NIM_ADD);
    return 0;
}

void CQuilVaraDlg::OnDestroy() {
    qv::UnmarkMainWindow(m_hWnd);
    // However the window goes, its icon goes with it: no ghost in the notification area.
    if (m_bTrayIconShown) NotifyTrayIcon(NIM_DELETE);
    CDialog::OnDestroy();
}

void CQuilVaraDlg::OnEndSession(BOOL bEnding) {
    if (bEnding && m_bTrayIconShown) NotifyTrayIcon(NIM_DELETE);
    CDialog::OnEndSession(bEnding);
}

BOOL CQuilVaraDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
        case ID_TRAY_EXIT:
            NotifyTrayIcon(NIM_DELETE);
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
