// The application object: one per process, constructed during static initialisation. The
// entry point runs its InitInstance; when that returns true and a main window was set, its
// message loop runs until the main window quits.
#pragma once

#include <windows.h>

#include "platform/CmdTarget.h"
#include "platform/Wnd.h"

class CWinApp : public CCmdTarget, public IWndApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // An icon resource of the executable at the system's large-icon size.
    HICON LoadIcon(UINT nIDResource) const;
    // Per-user registry root for settings; kept as given (the tool stores none).
    void SetRegistryKey(const char* key) { m_pszRegistryKey = key; }
    // Default help: there is no help content, so a help request does nothing.
    void OnHelp() {}

    // What its windows see of it; it registers itself with them while it lives.
    CWnd* GetMainWnd() const override { return m_pMainWnd; }
    BOOL OnMainWndCommand(UINT nID, int nCode, WPARAM wParam, LPARAM lParam) override {
        return OnCmdMsg(nID, nCode, wParam, lParam);
    }
    const char* GetAppName() const override { return m_pszAppName; }

    CWnd* m_pMainWnd = nullptr;
    const char* m_pszAppName = nullptr;
    const char* m_pszRegistryKey = nullptr;
    HINSTANCE m_hInstance = nullptr;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;
};

CWinApp* AfxGetApp();
// Prepares the thread for hosting ActiveX controls (the browser panes): OLE in a single-threaded
// apartment, undone when the entry point returns.
BOOL AfxEnableControlContainer();
// The entry point's work, separate from WinMain so that tests can drive it.
int AfxWinMain(HINSTANCE hInstance);

#define ID_HELP 0xE146
