// What the pane tests share: a host window for panes, a message pump, a pane that counts its
// deletion and records what it would open in the system browser, and an observer of the
// browser control's navigations that cancels each one, so no test touches the network.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

#include "browser/HtmlBrowser.h"

namespace qvtest {

// Runs the thread's messages for about ms milliseconds.
void Pump(DWORD ms);
// Runs messages until done() holds or timeoutMs has passed; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// A pane that counts its deletion and keeps what it was asked to open in the system browser.
class CountedPane : public CHtmlBrowser {
public:
    CountedPane(bool bNoScrollBorder, int* pDeleted) : CHtmlBrowser(bNoScrollBorder), m_pDeleted(pDeleted) {}
    ~CountedPane() override { ++*m_pDeleted; }

    std::vector<std::wstring> opened;

protected:
    void OpenInSystemBrowser(const wchar_t* url) override { opened.emplace_back(url); }

private:
    int* m_pDeleted;
};

// One navigation as the control announced it (BeforeNavigate2).
struct Navigation {
    std::wstring url;
    std::wstring headers;
    bool hasPostData;
};

// Listens to a control's events while alive and cancels every navigation it announces.
class NavigationLog {
public:
    explicit NavigationLog(IWebBrowser2* pBrowser);
    ~NavigationLog();
    NavigationLog(const NavigationLog&) = delete;
    NavigationLog& operator=(const NavigationLog&) = delete;

    bool connected() const { return m_dwCookie != 0; }
    const std::vector<Navigation>& entries() const;
    // Pumps until count navigations were seen (or a few seconds passed); returns the log.
    const std::vector<Navigation>& WaitFor(size_t count);
    // Pumps long enough for any pending navigation to show, then returns the log.
    const std::vector<Navigation>& Settle();

private:
    class Sink;
    Microsoft::WRL::ComPtr<Sink> m_pSink;
    Microsoft::WRL::ComPtr<IConnectionPoint> m_pPoint;
    DWORD m_dwCookie = 0;
};

// While alive, creating the browser control on this thread fails, as on a system without one.
class ControlUnavailable {
public:
    ControlUnavailable();
    ~ControlUnavailable();
    ControlUnavailable(const ControlUnavailable&) = delete;
    ControlUnavailable& operator=(const ControlUnavailable&) = delete;

    bool active() const { return m_dwRegister != 0; }

private:
    DWORD m_dwRegister = 0;
};

// A top-level window for panes, destroyed (with every pane in it) when the object goes. It is
// never shown: the panes' rectangles are the same, and Wine closes hidden windows at once.
class HostWindow {
public:
    HostWindow();
    ~HostWindow() { m_wnd.DestroyWindow(); }
    CWnd* get() { return &m_wnd; }

private:
    CWnd m_wnd;
};

// The in-place window of a pane's browser control (the pane's only child), or null.
HWND BrowserSurface(const CWnd& pane);
// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hWnd);

}  // namespace qvtest
