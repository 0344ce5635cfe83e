// A dialog built from a dialog template resource and run modally: the window is created
// modeless, its owner disabled, and a message loop of our own offers every queued message to
// PreTranslateMessage (from the target window up to the dialog) before it is dispatched.
#pragma once

#include "platform/Wnd.h"

struct CDataExchange {};

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog; returns its result, IDABORT when it ended without one (a WM_QUIT), or -1
    // when it could not be created, with the reason in GetLastError. The window and all its
    // children are destroyed before it returns.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();

    bool m_bContinueModal = false;
    int m_nModalResult = -1;
};
