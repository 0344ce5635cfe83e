// CPagePanel: what a pane shows in place of its page. While a page is on its way, a line that
// says so over a moving mark; when it cannot be had, a line that says so and that the pane will
// try again by itself, and a button that tries at once. It is drawn by the tool in its owner's
// colours over the whole pane, however the page's surface is offset inside it.
//
// The panel is made of children of its pane, made the first time it shows: the line, a STATIC
// whose window text is what the line says (so screen readers read it), and the button. The pane
// paints the ground and the mark through it and passes on the line's colour request and the
// mark's timer.
#pragma once

#include "browser/PanelButton.h"
#include "browser/PanelLook.h"
#include "platform/Controls.h"
#include "platform/Gdi.h"

class CPagePanel {
public:
    enum class Kind {
        kHidden,       // the page shows
        kGround,       // the ground alone: a page was asked for a moment ago
        kLoading,      // the page is on its way
        kUnreachable,  // the page cannot be had
    };
    // The button's child id, and the id of the moving mark's timer, on the pane.
    static constexpr UINT kButtonId = 1;
    static constexpr UINT_PTR kMarkTimer = 1;

    explicit CPagePanel(CWnd& pane) : m_pane(pane) {}

    Kind GetKind() const { return m_kind; }
    bool IsShown() const { return m_kind != Kind::kHidden; }
    // Shows the panel as kind, or hides it; the pane shows or hides the page's surface itself.
    // A button that goes while it has the focus leaves it to the pane, and gets it back when the
    // button shows again.
    void Show(Kind kind);
    void SetLook(const PanelLook& look);
    // Centres the line, the button and the mark in the pane, sized by the panel's font.
    void Arrange();
    // The ground and, while loading, the mark; rect is the pane's client area.
    void Paint(const CDC& dc, const RECT& rect) const;
    // Moves the mark on a step (the mark's timer).
    void StepMark();
    // The line's colours in dc, and the brush of its ground (WM_CTLCOLORSTATIC from the line).
    HBRUSH LineColours(HWND hLine, HDC hDC) const;
    HWND ButtonWindow() const { return m_button.GetSafeHwnd(); }
    // What the line says now; empty while the panel is hidden or shows its ground alone.
    CString LineText() const { return IsShown() && m_line.GetSafeHwnd() ? m_line.GetWindowText() : CString(); }

private:
    CWnd& m_pane;
    Kind m_kind = Kind::kHidden;
    PanelLook m_look;
    CBrush m_brushGround;
    CStatic m_line;
    CPanelButton m_button;
    RECT m_rcTrack = {0, 0, 0, 0};  // where the mark runs
    int m_nMarkStep = 0;
};
