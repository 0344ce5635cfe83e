#include "platform/WinApp.h"

#include <ole2.h>

namespace {
bool g_bOleInitialized = false;
}  // namespace

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName) { AfxSetWndApp(this); }

CWinApp::~CWinApp() {
    if (AfxGetWndApp() == this) AfxSetWndApp(nullptr);
}

const AFX_MSGMAP* CWinApp::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP messageMap = {&CCmdTarget::GetThisMessageMap, &entries[0]};
    return &messageMap;
}

const AFX_MSGMAP* CWinApp::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    // Without a main window there is nothing to run: quit at once.
    if (!m_pMainWnd || !m_pMainWnd->m_hWnd) ::PostQuitMessage(0);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return static_cast<HICON>(::LoadImageW(m_hInstance ? m_hInstance : ::GetModuleHandleW(nullptr),
                                           MAKEINTRESOURCEW(nIDResource), IMAGE_ICON, 0, 0,
                                           LR_DEFAULTSIZE | LR_SHARED));
}

CWinApp* AfxGetApp() { return dynamic_cast<CWinApp*>(AfxGetWndApp()); }

BOOL AfxEnableControlContainer() {
    if (!g_bOleInitialized) g_bOleInitialized = SUCCEEDED(::OleInitialize(nullptr));
    return g_bOleInitialized;
}

int AfxWinMain(HINSTANCE hInstance) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return -1;
    pApp->m_hInstance = hInstance;
    const int code = pApp->InitInstance() ? pApp->Run() : pApp->ExitInstance();
    if (g_bOleInitialized) {
        ::OleUninitialize();
        g_bOleInitialized = false;
    }
    return code;
}
