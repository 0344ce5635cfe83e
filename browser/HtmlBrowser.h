// CHtmlBrowser: one page pane of the main window. It remembers one page address, shows it only
// while navigation is enabled, and can ask the browser surface for no 3-D border and no scroll
// bars. Like its view, a pane is a heap object that its window deletes when it goes.
//
// A pane stays on the sites its owner allows: any other address a page, a script or a redirect
// leads it to is refused, and goes to the user's own web browser only when the user clicked for
// it. A page that cannot be opened gives way to the pane's own panel: the pane itself, drawn by
// the tool, with one line saying so and a button that tries again.
// The control runs with the process-wide protections a host should set, downloads no ActiveX,
// Java or behaviours, asks for no credentials, and keeps its side doors closed: no open, new
// window, print or save keys, no context menu, no closing the pane, no file downloads.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/Controls.h"
#include "platform/HtmlView.h"
#include "platform/String.h"

// How a pane's panel looks: its ground and line, and the font of the line and the button. The
// font stays its owner's and must outlive the pane; without one the panel takes the system's
// GUI font.
struct PanelLook {
    HFONT hFont = nullptr;
    COLORREF crBackground = RGB(255, 255, 255);
    COLORREF crText = RGB(0, 0, 0);
};

class CHtmlBrowser : public CHtmlView {
public:
    // The first pane made also sets the process-wide protections, before any browser control
    // of the process exists.
    explicit CHtmlBrowser(bool bNoScrollBorder);
    ~CHtmlBrowser() override;

    // Remembers lpszUrl (code page 936, not null) and shows it at once while navigation is
    // enabled, even when it is the address already shown or empty.
    void SetUrl(const char* lpszUrl);
    // Switches navigation on or off and returns the flag as it then stands. Switching on shows
    // the remembered address (when there is one and the window exists); switching off forgets
    // it and leaves the page on screen.
    bool EnableNavigate(bool bEnable);

    // The sites the pane may show, each an http or https scheme and a host with an optional port
    // ("https://event.vara.example"). Its own page must be on one of them, with the same scheme,
    // host and port. None is allowed until this is called.
    void SetAllowedSites(std::initializer_list<const char*> sites);
    // How the panel for a page that could not be opened looks; a shown panel is drawn anew.
    void SetPanelLook(const PanelLook& look);
    // The line the panel shows (code page 936), or null while the pane shows no panel.
    const char* PanelLine() const;

    HRESULT OnGetHostInfo(DOCHOSTUIINFO* pInfo) override;
    // Notes the user's clicks in the page, then offers keys as the view does; while the panel
    // shows, leaves everything to its button.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    // Opens url, a web address the user asked the pane for, in the user's default web browser.
    virtual void OpenInSystemBrowser(const wchar_t* url);

    void OnBeforeNavigate2(const wchar_t* url, bool bTopLevel, bool* pbCancel) override;
    void OnNavigateComplete2(const wchar_t* url, bool bTopLevel) override;
    void OnNavigateError(const wchar_t* url, bool bTopLevel, long nStatusCode, bool* pbCancel) override;
    void OnNewWindow3(const wchar_t* url, DWORD dwFlags) override;
    void OnWindowClosing(bool bChildWindow, bool* pbCancel) override;
    void OnFileDownload(bool bActiveDocument, bool* pbCancel) override;
    bool OnShowContextMenu(DWORD dwID, const POINT* ppt) override;
    bool OnTranslateAccelerator(const MSG& msg) override;
    bool OnAmbientDownloadControl(DWORD* pdwFlags) override;
    HRESULT OnAuthenticate(HWND* phwnd, LPWSTR* pszUsername, LPWSTR* pszPassword) override;

    // The panel: the pane's own surface while the browser's is hidden, and its button.
    void OnPaint();
    BOOL OnEraseBkgnd(HDC hDC);
    LRESULT OnSizeMessage(WPARAM wParam, LPARAM lParam);
    void OnRetry();

    DECLARE_MESSAGE_MAP()

private:
    // Asks the control for the remembered address; without a control, or in a process without its
    // protections, the panel says the page cannot be opened instead.
    void ShowRememberedPage();
    bool IsAllowedSite(const wchar_t* url) const;
    // Shows the panel in place of the page, or the page again.
    void ShowPanel(bool bShow);
    // Centres the panel's line and button in the pane, sized by the panel's font.
    void ArrangePanel();
    // Opens url in the user's browser, at most once in kLaunchIntervalMs.
    void LaunchOutside(const wchar_t* url);

    // The shortest time between two addresses a pane opens in the user's browser.
    static constexpr DWORD kLaunchIntervalMs = 1000;
    // How long after a click a navigation counts as the click's.
    static constexpr DWORD kClickFollowMs = 1000;

    bool m_bNavigate;
    CString m_strUrl;
    bool m_bNoScrollBorder;
    std::wstring m_allowedSites;  // each on a line of its own, as SiteLineOf gives them
    PanelLook m_panelLook;
    bool m_bPanelShown = false;
    CButton m_btnRetry;  // the panel's
    RECT m_rcPanelLine = {0, 0, 0, 0};
    bool m_bBlanking = false;  // the pane itself asked for about:blank, to unload a refused page
    bool m_bClicked = false;   // the user clicked in the pane, at m_dwClick, and no address took it yet
    DWORD m_dwClick = 0;
    bool m_bLaunched = false;  // an address was opened in the user's browser, at m_dwLastLaunch
    DWORD m_dwLastLaunch = 0;
};
