// CPanelButton: the push button of a pane's panel, drawn by itself from the colours its owner
// gives, at rest, under the pointer, pressed and focused, with its caption centred in the font
// the owner gives. It stays a system BUTTON with its caption as its text, so the keyboard, the
// dialog manager and screen readers treat it as any push button.
#pragma once

#include "browser/PanelLook.h"
#include "platform/Controls.h"

class CPanelButton : public CButton {
public:
    // Creates the owner-drawn button (hidden until shown) with its caption, a tab stop.
    BOOL Create(const char* caption, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // The colours and font to draw with from now on.
    void SetLook(const PanelLook& look);

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

protected:
    void OnMouseMove(UINT nFlags, POINT point);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    BOOL OnEraseBkgnd(HDC hDC);

    DECLARE_MESSAGE_MAP()

private:
    PanelLook m_look;
    bool m_bHot = false;  // the pointer is over the button
};
