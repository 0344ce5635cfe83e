// The two standard controls the tool uses.
#pragma once

#include <commctrl.h>

#include "platform/Wnd.h"

class CStatic : public CWnd {
public:
    BOOL Create(const char* text, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(L"STATIC", text, dwStyle, rect, pParentWnd, nID);
    }
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)

public:
    BOOL Create(const char* caption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(L"BUTTON", caption, dwStyle, rect, pParentWnd, nID);
    }
    UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xFF); }
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) const { SendMessage(BM_SETSTYLE, nStyle, bRedraw); }

    // An owner-drawn button paints itself here; the parent reflects WM_DRAWITEM back to it.
    virtual void DrawItem(LPDRAWITEMSTRUCT) {}

protected:
    // For a button that shows the pointer over it, on each mouse move: the first move in marks
    // bHover, repaints and asks for the one WM_MOUSELEAVE that ends it; the next move after that
    // asks again.
    void TrackHover(bool& bHover) const {
        if (bHover) return;
        bHover = true;
        InvalidateRect(nullptr, FALSE);
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, HOVER_DEFAULT};
        ::_TrackMouseEvent(&track);
    }

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, pResult);
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        if (pResult) *pResult = TRUE;
        return TRUE;
    }
};

// For type queries on buttons; the window classes above it carry no class information, so the
// chain goes on at CObject.
inline const CRuntimeClass CButton::classCButton = {"CButton", RUNTIME_CLASS(CObject)};
inline const CRuntimeClass* CButton::GetRuntimeClass() const { return RUNTIME_CLASS(CButton); }
