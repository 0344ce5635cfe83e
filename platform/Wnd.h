// CWnd: a C++ object attached to one window. Every window the tool creates is subclassed at
// birth (a thread-local creation hook, before WM_NCCREATE), so even system classes such as
// BUTTON deliver WM_CREATE to their object. Messages go through the object's message map first
// and fall back to the window's original procedure.
#pragma once

#include <windows.h>

#include "platform/CmdTarget.h"
#include "platform/Rect.h"
#include "platform/String.h"

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to a window by this layer, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // className is a registered (wide) class name, windowName a code page 936 text.
    BOOL CreateEx(DWORD dwExStyle, const wchar_t* className, const char* windowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, void* lpParam = nullptr);
    virtual BOOL Create(const wchar_t* className, const char* windowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID);
    // Attaches this object to an existing window (PreSubclassWindow runs first).
    BOOL SubclassWindow(HWND hWnd);
    BOOL DestroyWindow();

    // Offers a queued message bound for this window or one inside it; TRUE consumes it.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Offers pMsg to each window object from its target up to (and including) hWndStop.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);

    // Thin forwards to the system calls; texts are code page 936.
    BOOL SetWindowText(const char* text) const;
    CString GetWindowText() const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) const {
        ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
    }
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT flags) const {
        return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, flags);
    }
    // Centres on the owner, or in the work area of the window's monitor when it has none.
    void CenterWindow() const;
    BOOL ShowWindow(int nCmdShow) const { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL BringWindowToTop() const { return ::BringWindowToTop(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon) const {
        return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                                      reinterpret_cast<LPARAM>(hIcon)));
    }
    void Invalidate(BOOL bErase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(const RECT* rect, BOOL bErase = TRUE) const { ::InvalidateRect(m_hWnd, rect, bErase); }
    void UpdateWindow() const { ::UpdateWindow(m_hWnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL SetForegroundWindow() const { return ::SetForegroundWindow(m_hWnd); }
    // caption null: the application's title.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK) const;
    BOOL OpenClipboard() const { return ::OpenClipboard(m_hWnd); }
    HMENU GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE) const {
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw);
    }

protected:
    // The message currently being handled on this thread; Default() passes it on unchanged.
    static const MSG* GetCurrentMessage();
    LRESULT Default();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // TRUE when the map (or a reflection) handled the message; *pResult then holds its result.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Sees every WM_COMMAND before the map does; TRUE when it was handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // A notification the parent reflected back to this child (draw-item, commands).
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void PreSubclassWindow() {}
    // Called after the window is gone; a view that owns itself deletes itself here.
    virtual void PostNcDestroy() {}

    // Default handlers, each passing the current message to the window's original procedure.
    void OnPaint() { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    void OnLButtonDown(UINT, POINT) { Default(); }
    void OnMouseMove(UINT, POINT) { Default(); }
    HBRUSH OnCtlColor(HDC, HWND, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
    BOOL OnSetCursor(HWND, UINT, UINT) { return static_cast<BOOL>(Default()); }
    int OnCreate(LPCREATESTRUCTW) { return static_cast<int>(Default()); }
    BOOL OnEraseBkgnd(HDC) { return static_cast<BOOL>(Default()); }
    void OnDestroy() { Default(); }
    void OnEndSession(BOOL) { Default(); }

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class CWndCreateHook;

    WNDPROC m_pfnSuper = nullptr;

private:
    void Attach(HWND hWnd);
    void Detach();
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The application as its windows see it. The application object implements this and registers
// itself while it lives, so that windows reach it without depending on it.
class IWndApp {
public:
    // The main window, or null. A dialog run without a parent is owned by it.
    virtual CWnd* GetMainWnd() const = 0;
    // Takes the commands the main window's own map leaves unhandled; TRUE when one was handled.
    virtual BOOL OnMainWndCommand(UINT nID, int nCode, WPARAM wParam, LPARAM lParam) = 0;
    // The name the application was given, or null.
    virtual const char* GetAppName() const = 0;

protected:
    ~IWndApp() = default;
};

// The registered application, or null; registering null forgets it.
void AfxSetWndApp(IWndApp* pApp);
IWndApp* AfxGetWndApp();
// The application's title: the name it was given, else the executable's base name. Message
// boxes without a caption of their own show it.
const char* AfxGetAppName();

// While alive, the next window created on this thread is attached to pWnd and subclassed.
class CWndCreateHook {
public:
    explicit CWndCreateHook(CWnd* pWnd);
    ~CWndCreateHook();
    CWndCreateHook(const CWndCreateHook&) = delete;
    CWndCreateHook& operator=(const CWndCreateHook&) = delete;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    CWnd* m_pWnd;
    CWnd* m_pPrevious;
};
