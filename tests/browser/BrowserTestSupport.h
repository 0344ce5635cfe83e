// What the pane tests share: a host window for panes, a message pump, a pane that counts its
// deletion and records what it would open in the system browser, an observer of the browser
// control's navigations that cancels each one, so no test touches the network, and ways to
// reach the view's container side as the control does: its client site and event sink.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <wrl/client.h>

#include <functional>
#include <initializer_list>
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
    bool cancelledBefore;  // the view's own sink, which the control calls first, cancelled it
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

// The view's container object as the control sees it, asked for interface T; null without one.
template <typename T>
Microsoft::WRL::ComPtr<T> SiteOf(const CHtmlView& view) {
    Microsoft::WRL::ComPtr<IOleObject> object;
    Microsoft::WRL::ComPtr<IOleClientSite> site;
    Microsoft::WRL::ComPtr<T> result;
    if (view.GetBrowser() && SUCCEEDED(view.GetBrowser()->QueryInterface(IID_PPV_ARGS(&object))) &&
        SUCCEEDED(object->GetClientSite(&site)) && site)
        site.As(&result);
    return result;
}

// The event sinks the control itself calls (its DWebBrowserEvents2 connections), in order.
std::vector<Microsoft::WRL::ComPtr<IDispatch>> EventSinks(IWebBrowser2* browser);

// An event of the control (DWebBrowserEvents2), built with its arguments in the order the event
// declares them and fired at a sink as the control fires it: addresses and status codes by
// reference, Cancel (when added, always last) as a reference to a VARIANT_BOOL.
class ControlEvent {
public:
    explicit ControlEvent(DISPID id) : m_id(id) {}
    ~ControlEvent();
    ControlEvent(const ControlEvent&) = delete;
    ControlEvent& operator=(const ControlEvent&) = delete;

    ControlEvent& Dispatch(IDispatch* pDisp);
    ControlEvent& Text(const wchar_t* text);
    ControlEvent& Long(LONG value);
    ControlEvent& Bool(bool value);
    ControlEvent& Cancel();

    // Fires the event at sink (Cancel starts false); returns the Cancel the sink left.
    bool FireAt(IDispatch* sink);

private:
    DISPID m_id;
    std::vector<VARIANT> m_values;  // what by-reference arguments point at
    std::vector<VARIANT> m_args;    // as declared; reversed when fired
    VARIANT_BOOL m_cancel = VARIANT_FALSE;
};

// While alive, the thread's keyboard state holds the given keys down (for accelerator checks).
class HeldKeys {
public:
    explicit HeldKeys(std::initializer_list<int> keys);
    ~HeldKeys();
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

private:
    BYTE m_saved[256];
};

// The in-place window of a pane's browser control, or null.
HWND BrowserSurface(const CWnd& pane);
// The button of a pane's panel for a page that could not be opened, or null while it has none.
HWND RetryButton(const CWnd& pane);
// The line of a pane's panel, or null while it has none; what it says while shown (else empty).
HWND PanelLine(const CWnd& pane);
std::wstring PanelLineText(const CWnd& pane);
// Whether a pane shows its panel: its button shown, its browser surface hidden.
bool PanelShown(const CWnd& pane);
// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hWnd);

}  // namespace qvtest
