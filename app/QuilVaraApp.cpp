#include "app/QuilVaraApp.h"

#include <commctrl.h>

#include "app/QuilVaraDlg.h"
#include "app/Texts.h"
#include "platform/Text.h"

CQuilVaraApp theApp;

BEGIN_MESSAGE_MAP(CQuilVaraApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

BOOL CQuilVaraApp::InitInstance() {
    ::InitCommonControls();
    CWinApp::InitInstance();

    // Never closed: the name exists exactly as long as this process runs.
    HANDLE hMutex = ::CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    if (::GetLastError() == ERROR_ALREADY_EXISTS && hMutex) {
        // Found by the same code page 936 conversion the running instance titled itself with.
        HWND hRunning = ::FindWindowW(nullptr, qv::WideFromGbk(kMainWindowTitle).c_str());
        if (hRunning) {
            ::BringWindowToTop(hRunning);
            ::ShowWindow(hRunning, SW_SHOWNORMAL);
            // This process was just started by the user and so may give the foreground away.
            ::SetForegroundWindow(hRunning);
        }
        return TRUE;
    }

    AfxEnableControlContainer();
    SetRegistryKey("应用程序向导生成的本地应用程序");

    CQuilVaraDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
