#include "browser/UnreachablePanel.h"

#include "platform/Gdi.h"

namespace {

constexpr char kLine[] = "页面无法打开，请检查网络连接后重试。";
constexpr char kRetry[] = "重试";
constexpr UINT kRetryButtonId = 1;

constexpr wchar_t kPanelClassName[] = L"QuilVaraPanel";

const wchar_t* PanelClassName() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;  // everything is centred: a new size repaints it all
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kPanelClassName;
        return ::RegisterClassExW(&windowClass);
    }();
    return atom ? kPanelClassName : nullptr;
}

HFONT FontOf(const PanelLook& look) {
    return look.hFont ? look.hFont : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

// The size text takes in hdc with the font selected there.
SIZE TextSize(const CDC& dc, const char* text) {
    RECT rect = {0, 0, 0, 0};
    dc.DrawText(text, &rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

BEGIN_MESSAGE_MAP(CUnreachablePanel, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_MESSAGE(WM_SIZE, OnSizeMessage)
    ON_BN_CLICKED(kRetryButtonId, OnRetryClicked)
END_MESSAGE_MAP()

BOOL CUnreachablePanel::Create(const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (!CWnd::Create(PanelClassName(), "", WS_CHILD | WS_CLIPCHILDREN, rect, pParentWnd, nID)) return FALSE;
    if (!m_btnRetry.Create(kRetry, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, RECT{0, 0, 0, 0}, this,
                           kRetryButtonId))
        return FALSE;
    Arrange();
    return TRUE;
}

void CUnreachablePanel::SetLook(const PanelLook& look) {
    m_look = look;
    if (!m_hWnd) return;
    Arrange();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CUnreachablePanel::Arrange() {
    RECT client;
    GetClientRect(&client);
    CClientDC dc(m_hWnd);
    dc.SelectObject(FontOf(m_look));
    const SIZE line = TextSize(dc, kLine);
    const SIZE caption = TextSize(dc, kRetry);
    // Measured in lines of the font, so the panel keeps its proportions at any text size: the
    // line, a line's gap, and a button two lines high with a margin of two lines beside its text.
    const int unit = line.cy;
    const SIZE button = {caption.cx + 4 * unit, 2 * unit};
    const int top = client.top + (client.bottom - client.top - (2 * unit + button.cy)) / 2;
    m_rcLine = {client.left, top, client.right, top + unit};
    const int left = client.left + (client.right - client.left - button.cx) / 2;
    m_btnRetry.MoveWindow(left, top + 2 * unit, button.cx, button.cy, TRUE);
}

LRESULT CUnreachablePanel::OnSizeMessage(WPARAM, LPARAM) {
    Arrange();
    return 0;
}

BOOL CUnreachablePanel::OnEraseBkgnd(HDC hDC) {
    RECT client;
    GetClientRect(&client);
    CDC dc;
    dc.AttachBorrowed(hDC);
    dc.FillSolidRect(client, m_look.crBackground);
    return TRUE;
}

void CUnreachablePanel::OnPaint() {
    CPaintDC dc(m_hWnd);
    dc.SelectObject(FontOf(m_look));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(m_look.crText);
    RECT line = m_rcLine;
    dc.DrawText(kLine, &line, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void CUnreachablePanel::OnRetryClicked() {
    if (HWND hParent = ::GetParent(m_hWnd))
        ::SendMessageW(hParent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED), reinterpret_cast<LPARAM>(m_hWnd));
}

void CUnreachablePanel::CRetryButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    CDC dc;
    dc.AttachBorrowed(lpDrawItemStruct->hDC);
    RECT rect = lpDrawItemStruct->rcItem;
    const bool bPressed = (lpDrawItemStruct->itemState & ODS_SELECTED) != 0;
    // Pressed, the edge colour fills the face and the face colour rims it.
    dc.FillSolidRect(rect, bPressed ? m_look.crButtonEdge : m_look.crButtonFace);
    dc.Draw3dRect(rect, bPressed ? m_look.crButtonFace : m_look.crButtonEdge,
                  bPressed ? m_look.crButtonFace : m_look.crButtonEdge);
    if (lpDrawItemStruct->itemState & ODS_FOCUS) {
        RECT focus = {rect.left + 3, rect.top + 3, rect.right - 3, rect.bottom - 3};
        ::DrawFocusRect(dc, &focus);
    }
    dc.SelectObject(FontOf(m_look));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(bPressed ? m_look.crButtonFace : m_look.crButtonText);
    const CString caption = GetWindowText();
    dc.DrawText(caption, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
