// The bar between the panes, which collapses the window to its left pane and expands it again. Its
// picture and text belong to the window's surface: the window draws them (DrawFace) into its
// back buffer, and the bar's own static paints nothing. For the keyboard it is a tab stop that
// shows the focus with the skin's focus mark, which the window draws over it as it paints
// (DrawFocusMark); for screen readers it is a push button named for what it does now, "收起" or
// "展开", that says so when that changes.
#pragma once

#include <windows.h>

#include "platform/Accessible.h"
#include "platform/Controls.h"
#include "platform/Gdi.h"

class CCollapseBar : public CStatic, private qv::IAccessibleSource {
public:
    // The bar's static, child nID of pParentWnd, empty and without a place yet.
    BOOL Create(CWnd* pParentWnd, UINT nID);

    // The window's state, which the bar's text and name follow: expanded, the bar collapses.
    void SetExpanded(bool bExpanded);
    // Whether the bar is drawn in the system's high-contrast colours.
    void SetHighContrast(bool bHighContrast) { m_bHighContrast = bHighContrast; }

    // Draws the bar's text for a display at dpi into dc, the window's surface, over the bar's
    // picture (in high contrast, over the system's button face in place of the picture). The
    // surface's font and transparent background are the text's.
    void DrawFace(const CDC& dc, UINT dpi) const;
    // Draws the focus mark over the bar into dc, the window's client area, while the bar has the
    // focus and the window shows keyboard cues.
    void DrawFocusMark(HDC hdc, UINT dpi) const;
    // Presses the bar, as a click on it does.
    void Press() const;

protected:
    DECLARE_MESSAGE_MAP()

    // The focus came or went, or the window's keyboard cues changed: the mark is drawn anew.
    LRESULT OnFocusLook(WPARAM wParam, LPARAM lParam);

private:
    CString AccessibleName() const override;
    long AccessibleRole() const override;
    CString DefaultActionName() const override;
    void DoDefaultAction() override { Press(); }

    // Where the bar stands in its parent's client area.
    RECT PlaceInParent() const;

    bool m_bExpanded = true;
    bool m_bHighContrast = false;
    qv::CAccessibleWindow m_access;
};
