#include "browser/PagePanel.h"

#include <algorithm>

namespace {

// What the line says, and the button's caption.
constexpr char kLoadingLine[] = "正在打开页面…";
constexpr char kUnreachableLine[] = "页面无法打开，稍后将自动重试。";
constexpr char kRetryCaption[] = "重试";
constexpr UINT kLineId = 2;

// The mark runs along its track once in kMarkSteps steps of kMarkStepMs: a run a little under
// two seconds, smooth enough to be seen moving.
constexpr UINT kMarkStepMs = 50;
constexpr int kMarkSteps = 36;

}  // namespace

void CPagePanel::Show(Kind kind) {
    if (kind != Kind::kHidden && !m_line.GetSafeHwnd()) {
        m_line.Create("", WS_CHILD | SS_CENTER | SS_NOPREFIX | SS_ENDELLIPSIS, RECT{0, 0, 0, 0}, &m_pane, kLineId);
        m_button.Create(kRetryCaption, RECT{0, 0, 0, 0}, &m_pane, kButtonId);
        SetLook(m_look);
    }
    if (kind == m_kind) return;
    m_kind = kind;
    const char* text = kind == Kind::kLoading ? kLoadingLine : kind == Kind::kUnreachable ? kUnreachableLine : "";
    m_line.SetWindowText(text);
    m_line.ShowWindow(*text ? SW_SHOWNA : SW_HIDE);
    const HWND hFocus = ::GetFocus();
    const bool bButton = kind == Kind::kUnreachable;
    m_button.ShowWindow(bButton ? SW_SHOWNA : SW_HIDE);
    // Keys are not lost to a hidden button: the pane holds the focus until the button is back.
    if (!bButton && hFocus && hFocus == m_button.GetSafeHwnd()) ::SetFocus(m_pane);
    if (bButton && hFocus && hFocus == m_pane.m_hWnd) ::SetFocus(m_button);
    if (kind == Kind::kLoading) {
        m_nMarkStep = 0;
        ::SetTimer(m_pane, kMarkTimer, kMarkStepMs, nullptr);
    } else {
        ::KillTimer(m_pane, kMarkTimer);
    }
    m_pane.Invalidate();
}

void CPagePanel::SetLook(const PanelLook& look) {
    m_look = look;
    m_brushGround.CreateSolidBrush(look.crBackground);
    if (!m_line.GetSafeHwnd()) return;
    m_line.SetFont(PanelFont(look), FALSE);
    m_button.SetLook(look);
    Arrange();
    m_line.Invalidate();
}

void CPagePanel::Arrange() {
    if (!m_line.GetSafeHwnd()) return;
    RECT client;
    m_pane.GetClientRect(&client);
    CClientDC dc(m_pane.m_hWnd);
    dc.SelectObject(PanelFont(m_look));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    // Measured in lines of the font, so the panel keeps its proportions at any text size: the
    // line, a line's gap, and a button two lines high and six wide (its two characters with two
    // lines' margin on either side), where the mark runs while there is no button.
    const int unit = metrics.tmHeight;
    const int top = (client.bottom - 4 * unit) / 2;
    const int left = (client.right - 6 * unit) / 2;
    m_line.MoveWindow(unit, top, client.right - 2 * unit, unit, TRUE);
    m_button.MoveWindow(left, top + 2 * unit, 6 * unit, 2 * unit, TRUE);
    const int thickness = std::max(2, unit / 4);
    const int trackTop = top + 3 * unit - thickness / 2;
    m_rcTrack = {left, trackTop, left + 6 * unit, trackTop + thickness};
    m_pane.Invalidate();
}

void CPagePanel::Paint(const CDC& dc, const RECT& rect) const {
    dc.FillSolidRect(rect, m_look.crBackground);
    if (m_kind != Kind::kLoading) return;
    dc.FillSolidRect(m_rcTrack, m_look.crButtonFace);
    // A third of the track long, the mark comes in at the left and goes out at the right.
    const int width = m_rcTrack.right - m_rcTrack.left;
    const int length = width / 3;
    const int head = m_rcTrack.left + (m_nMarkStep % kMarkSteps) * (width + length) / (kMarkSteps - 1);
    const RECT mark = {std::max<int>(m_rcTrack.left, head - length), m_rcTrack.top,
                       std::min<int>(m_rcTrack.right, head), m_rcTrack.bottom};
    if (mark.right > mark.left) dc.FillSolidRect(mark, m_look.crText);
}

void CPagePanel::StepMark() {
    ++m_nMarkStep;
    m_pane.InvalidateRect(&m_rcTrack, FALSE);
}

HBRUSH CPagePanel::LineColours(HWND hLine, HDC hDC) const {
    if (!hLine || hLine != m_line.GetSafeHwnd()) return nullptr;
    ::SetTextColor(hDC, m_look.crText);
    ::SetBkColor(hDC, m_look.crBackground);
    return static_cast<HBRUSH>(m_brushGround.GetSafeHandle());
}
