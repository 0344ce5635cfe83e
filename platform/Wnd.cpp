#include "platform/Wnd.h"

#include <string>
#include <unordered_map>

#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace {

// Window objects by handle. All windows live on the one GUI thread.
std::unordered_map<HWND, CWnd*>& WindowMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hCbtHook = nullptr;
thread_local int t_nHookDepth = 0;
thread_local const MSG* t_pCurrentMessage = nullptr;

IWndApp* g_pWndApp = nullptr;

}  // namespace

void AfxSetWndApp(IWndApp* pApp) { g_pWndApp = pApp; }

IWndApp* AfxGetWndApp() { return g_pWndApp; }

const char* AfxGetAppName() {
    if (g_pWndApp && g_pWndApp->GetAppName()) return g_pWndApp->GetAppName();
    static CString executableName;
    if (executableName.IsEmpty()) {
        wchar_t path[MAX_PATH] = L"";
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring name(path);
        const size_t slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos) name.erase(0, slash + 1);
        const size_t dot = name.find_last_of(L'.');
        if (dot != std::wstring::npos) name.erase(dot);
        executableName = qv::GbkFromWide(name);
    }
    return executableName;
}

CWnd::~CWnd() {
    // A window must not outlive its object: destroying it here keeps the map free of dangling
    // objects when an owner forgets (the dialog's children are normally gone already).
    if (m_hWnd) DestroyWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    auto found = WindowMap().find(hWnd);
    return found == WindowMap().end() ? nullptr : found->second;
}

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    WindowMap()[hWnd] = this;
}

void CWnd::Detach() {
    if (m_hWnd) WindowMap().erase(m_hWnd);
    m_hWnd = nullptr;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, const wchar_t* className, const char* windowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, void* lpParam) {
    const std::wstring title = qv::WideFromGbk(windowName);
    HWND hParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    HMENU hMenuOrId = (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr;
    HWND hWnd;
    {
        CWndCreateHook hook(this);
        hWnd = ::CreateWindowExW(dwExStyle, className, title.c_str(), dwStyle, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, hParent, hMenuOrId,
                                 ::GetModuleHandleW(nullptr), lpParam);
    }
    return hWnd != nullptr && m_hWnd == hWnd;
}

BOOL CWnd::Create(const wchar_t* className, const char* windowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID) {
    return CreateEx(0, className, windowName, dwStyle, rect, pParentWnd, nID);
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
    Attach(hWnd);
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg)) return TRUE;
        if (hWnd == hWndStop) break;
    }
    return FALSE;
}

BOOL CWnd::SetWindowText(const char* text) const {
    return ::SetWindowTextW(m_hWnd, qv::WideFromGbk(text).c_str());
}

CString CWnd::GetWindowText() const {
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::GetWindowTextW(m_hWnd, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    return qv::GbkFromWide(text);
}

void CWnd::CenterWindow() const {
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    RECT area;
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner)) {
        ::GetWindowRect(hOwner, &area);
    } else {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &info);
        area = info.rcWork;
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int x = area.left + ((area.right - area.left) - width) / 2;
    const int y = area.top + ((area.bottom - area.top) - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) const {
    const std::wstring wideText = qv::WideFromGbk(text);
    const std::wstring wideCaption = qv::WideFromGbk(caption ? caption : AfxGetAppName());
    return ::MessageBoxW(m_hWnd, wideText.c_str(), wideCaption.c_str(), type);
}

const MSG* CWnd::GetCurrentMessage() { return t_pCurrentMessage; }

LRESULT CWnd::Default() {
    const MSG* msg = t_pCurrentMessage;
    return msg ? DefWindowProc(msg->message, msg->wParam, msg->lParam) : 0;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        CWnd* pChild = item && item->CtlType != ODT_MENU ? FromHandlePermanent(item->hwndItem) : nullptr;
        if (pChild && pChild->OnChildNotify(message, wParam, lParam, pResult)) return TRUE;
    }
    if (const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message)) {
        *pResult = entry->pfn(this, message, wParam, lParam);
        return TRUE;
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT nID = LOWORD(wParam);
    const int nCode = HIWORD(wParam);
    if (HWND hControl = reinterpret_cast<HWND>(lParam)) {
        CWnd* pChild = FromHandlePermanent(hControl);
        if (pChild && pChild->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr)) return TRUE;
    }
    if (OnCmdMsg(nID, nCode, wParam, lParam)) return TRUE;
    // Commands the main window does not handle go on to the application's map.
    IWndApp* pApp = AfxGetWndApp();
    if (pApp && pApp->GetMainWnd() == this) return pApp->OnMainWndCommand(nID, nCode, wParam, lParam);
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd) return ::DefWindowProcW(hWnd, message, wParam, lParam);

    const MSG current{hWnd, message, wParam, lParam, 0, {0, 0}};
    const MSG* pPrevious = t_pCurrentMessage;
    t_pCurrentMessage = &current;
    // A handler's exception ends here: the system code below us cannot unwind it. The message
    // then gets the window's default processing.
    const LRESULT result = CallWithoutThrowing(
        __FILE__, __LINE__, [&] { return pWnd->WindowProc(message, wParam, lParam); },
        [&] { return pWnd->DefWindowProc(message, wParam, lParam); });
    t_pCurrentMessage = pPrevious;

    if (message == WM_NCDESTROY) {
        // The window is gone: put its original procedure back, forget the handle, and let the
        // object clean up (a view deletes itself here, so pWnd is not touched afterwards).
        if (pWnd->m_pfnSuper)
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
        pWnd->Detach();
        pWnd->PostNcDestroy();
    }
    return result;
}

CWndCreateHook::CWndCreateHook(CWnd* pWnd) : m_pWnd(pWnd), m_pPrevious(t_pWndInit) {
    t_pWndInit = pWnd;
    if (t_nHookDepth++ == 0)
        t_hCbtHook = ::SetWindowsHookExW(WH_CBT, &CbtProc, nullptr, ::GetCurrentThreadId());
}

CWndCreateHook::~CWndCreateHook() {
    // What the creation left in GetLastError is its caller's to read.
    const DWORD error = ::GetLastError();
    // A hook of someone else's may refuse the window after this one attached the object: the
    // handle is gone without a WM_NCDESTROY, and the object must not stay attached to it.
    if (m_pWnd && m_pWnd->m_hWnd && !::IsWindow(m_pWnd->m_hWnd)) m_pWnd->Detach();
    t_pWndInit = m_pPrevious;
    if (--t_nHookDepth == 0 && t_hCbtHook) {
        ::UnhookWindowsHookEx(t_hCbtHook);
        t_hCbtHook = nullptr;
    }
    ::SetLastError(error);
}

LRESULT CALLBACK CWndCreateHook::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_pWndInit) {
        CWnd* pWnd = t_pWndInit;
        t_pWndInit = nullptr;  // only the first window created is ours; its children are not
        CallWithoutThrowing(
            __FILE__, __LINE__, [&] { return pWnd->SubclassWindow(reinterpret_cast<HWND>(wParam)); },
            [] { return FALSE; });
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
