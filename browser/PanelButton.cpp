#include "browser/PanelButton.h"

#include <algorithm>

#include "platform/Gdi.h"

BEGIN_MESSAGE_MAP(CPanelButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

namespace {

// A frame of the given thickness just inside rect.
void Frame(const CDC& dc, const RECT& rect, int thickness, COLORREF colour) {
    dc.FillSolidRect({rect.left, rect.top, rect.right, rect.top + thickness}, colour);
    dc.FillSolidRect({rect.left, rect.bottom - thickness, rect.right, rect.bottom}, colour);
    dc.FillSolidRect({rect.left, rect.top, rect.left + thickness, rect.bottom}, colour);
    dc.FillSolidRect({rect.right - thickness, rect.top, rect.right, rect.bottom}, colour);
}

}  // namespace

BOOL CPanelButton::Create(const char* caption, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CButton::Create(caption, WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, rect, pParentWnd, nID);
}

void CPanelButton::SetLook(const PanelLook& look) {
    m_look = look;
    if (!m_hWnd) return;
    SetFont(PanelFont(m_look), FALSE);
    InvalidateRect(nullptr, FALSE);
}

void CPanelButton::OnMouseMove(UINT nFlags, POINT point) {
    TrackHover(m_bHot);
    CButton::OnMouseMove(nFlags, point);
}

LRESULT CPanelButton::OnMouseLeave(WPARAM, LPARAM) {
    m_bHot = false;
    InvalidateRect(nullptr, FALSE);
    return Default();
}

// DrawItem paints every pixel: erasing first would only flash.
BOOL CPanelButton::OnEraseBkgnd(HDC) { return TRUE; }

void CPanelButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    const UINT state = lpDrawItemStruct->itemState;
    const bool bPressed = (state & ODS_SELECTED) != 0;
    // The focus shows once the keyboard is in use, as on every other button of the system.
    const bool bFocused = (state & ODS_FOCUS) && !(state & ODS_NOFOCUSRECT);
    CDC dc;
    dc.AttachBorrowed(lpDrawItemStruct->hDC);
    RECT rect = lpDrawItemStruct->rcItem;
    // Lines as thick as the button is tall allows: one pixel at 100 %, two at 200 %.
    const int line = std::max(1, static_cast<int>(rect.bottom - rect.top) / 24);

    dc.FillSolidRect(rect, bPressed ? m_look.crButtonPressed : m_bHot ? m_look.crButtonHot : m_look.crButtonFace);
    Frame(dc, rect, line, m_look.crButtonEdge);
    if (bFocused) Frame(dc, {rect.left + 2 * line, rect.top + 2 * line, rect.right - 2 * line, rect.bottom - 2 * line},
                        line, m_look.crFocus);

    // The caption sinks a little while pressed, as a button face does.
    if (bPressed) ::OffsetRect(&rect, 0, line);
    dc.SelectObject(PanelFont(m_look));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(m_look.crButtonText);
    const UINT prefix = (state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    dc.DrawText(GetWindowText(), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix);
}
