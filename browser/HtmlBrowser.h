// CHtmlBrowser: one page pane of the main window. It remembers one page address, shows it only
// while navigation is enabled, and can ask the browser surface for no 3-D border and no scroll
// bars. Like its view, a pane is a heap object that its window deletes when it goes.
//
// A pane stays on the sites its owner allows: any other address a page, a script or a redirect
// leads it to is refused, and goes to the user's own web browser only when the user clicked for
// it. A page that cannot be opened gives way to the pane's own panel, which offers to try again.
// The control runs with the process-wide protections a host should set, downloads no ActiveX,
// Java or behaviours, asks for no credentials, and keeps its side doors closed: no open, new
// window, print or save keys, no context menu, no closing the pane, no file downloads.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "browser/UnreachablePanel.h"
#include "platform/HtmlView.h"
#include "platform/String.h"

class CHtmlBrowser : public CHtmlView {
public:
    explicit CHtmlBrowser(bool bNoScrollBorder);
    ~CHtmlBrowser() override;

    // As the view's; the first pane also sets the process-wide protections, before the first
    // browser control of the process is made.
    BOOL Create(const wchar_t* className, const char* windowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID) override;

    // Remembers lpszUrl (code page 936, not null) and shows it at once while navigation is
    // enabled, even when it is the address already shown or empty.
    void SetUrl(const char* lpszUrl);
    // Switches navigation on or off and returns the flag as it then stands. Switching on shows
    // the remembered address (when there is one and the window exists); switching off forgets
    // it and leaves the page on screen.
    bool EnableNavigate(bool bEnable);

    // The sites the pane may show, each a scheme and host with an optional port
    // ("https://event.vara.example"). Its own page may be at an http or https address of one of
    // them, and nowhere else. None is allowed until this is called.
    void SetAllowedSites(std::initializer_list<const char*> sites);
    // How the panel for a page that could not be opened looks.
    void SetPanelLook(const PanelLook& look);

    HRESULT OnGetHostInfo(DOCHOSTUIINFO* pInfo) override;
    // Notes the user's clicks in the pane, then offers keys as the view does.
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
    // Opens url in the user's browser, at most once in kLaunchIntervalMs.
    void LaunchOutside(const wchar_t* url);

    // The shortest time between two addresses a pane opens in the user's browser.
    static constexpr DWORD kLaunchIntervalMs = 1000;
    // How long after a click a navigation counts as the click's.
    static constexpr DWORD kClickFollowMs = 1000;

    bool m_bNavigate;
    CString m_strUrl;
    bool m_bNoScrollBorder;
    std::vector<std::wstring> m_allowedOrigins;  // as OriginOf gives them
    PanelLook m_panelLook;
    CUnreachablePanel m_panel;
    bool m_bBlanking = false;  // the pane itself asked for about:blank, to unload a refused page
    bool m_bClicked = false;   // the user clicked in the pane, at m_dwClick, and no address took it yet
    DWORD m_dwClick = 0;
    bool m_bLaunched = false;  // an address was opened in the user's browser, at m_dwLastLaunch
    DWORD m_dwLastLaunch = 0;
};
