#include "app/QuilVaraApp.h"

#include <commctrl.h>

#include "app/QuilVaraDlg.h"
#include "app/RunningInstance.h"
#include "app/Texts.h"

namespace {
// How long a later start looks for the running instance's window.
constexpr DWORD kRunningWindowWaitMs = 3000;
}  // namespace

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
        // The running instance may still be making its window; one that hangs costs this start
        // no more than the wait.
        qv::BringRunningInstanceForward(kRunningWindowWaitMs);
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
