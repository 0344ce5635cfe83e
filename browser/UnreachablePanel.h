// CUnreachablePanel: what a pane shows in place of a page that could not be opened: one line
// saying so and a button that tries again. The tool draws both itself, in the colours and font
// its owner hands over, centred in whatever rectangle the owner gives the panel.
#pragma once

#include <windows.h>

#include "platform/Controls.h"
#include "platform/Wnd.h"

// How the panel looks. The font stays its owner's and must outlive the panel; without one the
// panel takes the system's GUI font.
struct PanelLook {
    HFONT hFont = nullptr;
    COLORREF crBackground = RGB(255, 255, 255);
    COLORREF crText = RGB(0, 0, 0);
    COLORREF crButtonFace = RGB(240, 240, 240);
    COLORREF crButtonEdge = RGB(128, 128, 128);
    COLORREF crButtonText = RGB(0, 0, 0);
};

class CUnreachablePanel : public CWnd {
public:
    // Creates the panel as child nID of pParentWnd over rect, hidden. A click on its button
    // reaches the parent as the command nID.
    BOOL Create(const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetLook(const PanelLook& look);

protected:
    DECLARE_MESSAGE_MAP()

    void OnPaint();
    BOOL OnEraseBkgnd(HDC hDC);
    LRESULT OnSizeMessage(WPARAM wParam, LPARAM lParam);
    void OnRetryClicked();

private:
    class CRetryButton : public CButton {
    public:
        explicit CRetryButton(const PanelLook& look) : m_look(look) {}
        void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    private:
        const PanelLook& m_look;
    };

    // Places the line and the button in the middle of the client area, sized by the font.
    void Arrange();

    PanelLook m_look;
    CRetryButton m_btnRetry{m_look};
    RECT m_rcLine = {0, 0, 0, 0};
};
