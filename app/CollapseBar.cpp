#include "app/CollapseBar.h"

#include <oleacc.h>

#include "app/HighContrast.h"
#include "app/Layout.h"
#include "app/Texts.h"
#include "skin/FocusMark.h"

namespace {

constexpr COLORREF kBarTextColor = RGB(146, 111, 42);

}  // namespace

BEGIN_MESSAGE_MAP(CCollapseBar, CStatic)
    ON_MESSAGE(WM_SETFOCUS, OnFocusLook)
    ON_MESSAGE(WM_KILLFOCUS, OnFocusLook)
    ON_MESSAGE(WM_UPDATEUISTATE, OnFocusLook)
END_MESSAGE_MAP()

BOOL CCollapseBar::Create(CWnd* pParentWnd, UINT nID) {
    // Clicks reach the parent (SS_NOTIFY); the keyboard reaches the bar (WS_TABSTOP).
    if (!CStatic::Create("", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_NOTIFY, RECT{0, 0, 0, 0}, pParentWnd, nID))
        return FALSE;
    m_access.Attach(m_hWnd, this);
    return TRUE;
}

void CCollapseBar::SetExpanded(bool bExpanded) {
    if (bExpanded == m_bExpanded) return;
    m_bExpanded = bExpanded;
    m_access.NotifyNameChange();
}

void CCollapseBar::DrawFace(const CDC& dc, UINT dpi) const {
    if (m_bHighContrast) {
        dc.FillSolidRect(layout::Scaled(layout::kBarImage, dpi), ::GetSysColor(COLOR_BTNFACE));
        dc.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
    } else {
        dc.SetTextColor(kBarTextColor);
    }
    RECT textRect = layout::Scaled(layout::kBarText, dpi);
    dc.DrawText(m_bExpanded ? kBarTextCollapse : kBarTextExpand, &textRect, DT_WORDBREAK);
}

void CCollapseBar::DrawFocusMark(HDC hdc, UINT dpi) const {
    if (!m_hWnd || ::GetFocus() != m_hWnd || (SendMessage(WM_QUERYUISTATE) & UISF_HIDEFOCUS)) return;
    qv::DrawFocusMark(hdc, PlaceInParent(), dpi, qv::FocusMarkFor(m_bHighContrast));
}

void CCollapseBar::Press() const {
    // Posted, as a click's notification comes after the click: a screen reader asking for it is
    // answered first.
    ::PostMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), STN_CLICKED),
                   reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT CCollapseBar::OnFocusLook(WPARAM, LPARAM) {
    const LRESULT result = Default();
    // The mark is drawn by the parent over the bar: its surface there is painted again.
    const RECT place = PlaceInParent();
    ::InvalidateRect(::GetParent(m_hWnd), &place, FALSE);
    return result;
}

RECT CCollapseBar::PlaceInParent() const {
    RECT place;
    GetWindowRect(&place);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

CString CCollapseBar::AccessibleName() const { return m_bExpanded ? kBarNameCollapse : kBarNameExpand; }

long CCollapseBar::AccessibleRole() const { return ROLE_SYSTEM_PUSHBUTTON; }

CString CCollapseBar::DefaultActionName() const { return kPressActionName; }
