#include "app/QuilVaraApp.h"

#include <commctrl.h>

#include <cstdlib>

#include "app/QuilVaraDlg.h"
#include "app/RunningInstance.h"
#include "app/StartFailure.h"
#include "app/Texts.h"

namespace {
// How long a later start waits for the running instance's window, or for an instance that is
// closing to be gone: a start ends or runs within five seconds, whatever the other one does.
constexpr DWORD kRunningInstanceWaitMs = 4000;
}  // namespace

CQuilVaraApp theApp;

BEGIN_MESSAGE_MAP(CQuilVaraApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

BOOL CQuilVaraApp::InitInstance() {
    ::InitCommonControls();
    CWinApp::InitInstance();

    // Held until the main window goes: a start a moment after a close runs as the first.
    qv::CInstanceClaim claim(kInstanceMutexName);
    if (!claim.Claim(kRunningInstanceWaitMs)) return TRUE;

    AfxEnableControlContainer();
    SetRegistryKey("应用程序向导生成的本地应用程序");

    CQuilVaraDlg dlg(nullptr, &claim);
    m_pMainWnd = &dlg;
    m_bStartFailed = dlg.DoModal() == -1;
    const DWORD error = ::GetLastError();
    m_pMainWnd = nullptr;
    // Nothing would be on screen: the user is told, rather than left to start it again and again.
    if (m_bStartFailed) qv::SayStartFailed(error);
    return FALSE;
}

int CQuilVaraApp::ExitInstance() { return m_bStartFailed ? EXIT_FAILURE : CWinApp::ExitInstance(); }
