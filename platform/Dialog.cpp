#include "platform/Dialog.h"

#include "platform/Exceptions.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
    // Everything but the initialisation goes through the subclassed window procedure.
    if (message != WM_INITDIALOG) return FALSE;
    auto* pDialog = static_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (!pDialog) return TRUE;
    RECT before;
    ::GetWindowRect(hWnd, &before);
    // Called from the system's dialog procedure: an exception must not unwind through it.
    const INT_PTR result = CallWithoutThrowing(
        __FILE__, __LINE__,
        [&]() -> INT_PTR {
            pDialog->DoDataExchange(nullptr);
            return pDialog->OnInitDialog();
        },
        []() -> INT_PTR { return TRUE; });
    // A top-level dialog that neither placed itself nor asked the system to is centred over its
    // owner (or in the work area without one), not left at the corner its template gives.
    RECT after;
    ::GetWindowRect(hWnd, &after);
    const DWORD style = pDialog->GetStyle();
    if (::EqualRect(&before, &after) && !(style & (WS_CHILD | DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)))
        pDialog->CenterWindow();
    return result;
}

INT_PTR CDialog::DoModal() {
    HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
    HRSRC hResource = ::FindResource(hInstance, MAKEINTRESOURCE(m_nIDTemplate), RT_DIALOG);
    HGLOBAL hTemplate = hResource ? ::LoadResource(hInstance, hResource) : nullptr;
    const auto* pTemplate = hTemplate ? static_cast<const DLGTEMPLATE*>(::LockResource(hTemplate)) : nullptr;
    if (!pTemplate) return -1;

    // A dialog without a parent is owned by the main window, if there is one besides itself.
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    CWnd* pMainWnd = AfxGetWndApp() ? AfxGetWndApp()->GetMainWnd() : nullptr;
    if (!hOwner && pMainWnd && pMainWnd != this) hOwner = pMainWnd->m_hWnd;
    const bool bDisableOwner = hOwner && ::IsWindowEnabled(hOwner);
    if (bDisableOwner) ::EnableWindow(hOwner, FALSE);

    m_nModalResult = IDABORT;
    m_bContinueModal = true;
    HWND hWnd;
    {
        CWndCreateHook hook(this);
        hWnd = ::CreateDialogIndirectParamW(hInstance, pTemplate, hOwner, &DialogProc,
                                            reinterpret_cast<LPARAM>(this));
    }
    const DWORD creationError = hWnd ? ERROR_SUCCESS : ::GetLastError();
    if (hWnd && m_hWnd == hWnd) {
        if (!::IsWindowVisible(hWnd)) ShowWindow(SW_SHOWNORMAL);
        RunModalLoop();
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (bDisableOwner) ::EnableWindow(hOwner, TRUE);
    if (hOwner && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(hOwner);
    DestroyWindow();
    if (!hWnd) {
        ::SetLastError(creationError);
        return -1;
    }
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    MSG msg;
    while (m_bContinueModal) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT belongs to the outer loop: end this one and pass it on.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (!WalkPreTranslateTree(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    if (m_bContinueModal) {
        m_bContinueModal = false;
        PostMessage(WM_NULL);  // wakes the loop if it is waiting
    }
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    // Keyboard navigation (Tab, arrows, default and cancel keys) inside the dialog.
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hWnd &&
        (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd)))
        return ::IsDialogMessageW(m_hWnd, pMsg);
    return FALSE;
}
