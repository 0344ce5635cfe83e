// CHtmlBrowser: one page pane of the main window. It remembers one page address, shows it only
// while navigation is enabled, and can ask the browser surface for no 3-D border and no scroll
// bars. Like its view, a pane is a heap object that its window deletes when it goes.
//
// A pane stays on the sites its owner allows: any other address a page, a script or a redirect
// leads it to is refused, and goes to the user's own web browser only when the user clicked for
// it. While its page is on its way (until the control has it, NavigateComplete2, or reports it
// failed) the pane says so, and a page that cannot be opened, or does not come within half a
// minute, gives way to the pane's own panel, which says so and asks again by itself (CPagePanel,
// CRecoverySchedule): after a few seconds and then less and less often, at once when the system
// reports the network back, and when its owner says the moment is right (AskAgainNow).
// The control runs with the process-wide protections a host should set, downloads no ActiveX,
// Java or behaviours, asks for no credentials, and keeps its side doors closed: no open, new
// window, print or save keys, no context menu, no closing the pane, no file downloads.
#pragma once

#include <initializer_list>
#include <string>

#include "browser/PagePanel.h"
#include "browser/PanelLook.h"
#include "browser/RecoverySchedule.h"
#include "platform/HtmlView.h"
#include "platform/NetworkWatch.h"
#include "platform/String.h"

class CHtmlBrowser : public CHtmlView {
public:
    // The first pane made also sets the process-wide protections and today's document mode
    // (DocumentMode.h), before any browser control of the process exists.
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
    // How the panel for a page on its way or one that could not be opened looks; a shown panel
    // is drawn anew.
    void SetPanelLook(const PanelLook& look);
    // The system resumed from sleep, or the user brought the window back: a pane that cannot
    // reach its page asks for it again at once (but never within two seconds of its last
    // request), and its delays start afresh.
    void AskAgainNow();
    // What the panel's line says now (code page 936), empty while the pane shows its page.
    CString PanelLine() const;

    HRESULT OnGetHostInfo(DOCHOSTUIINFO* pInfo) override;
    // Notes the user's clicks in the page, then offers keys as the view does; while the panel
    // shows, leaves everything to its button, and presses it for Enter when it has the focus
    // (the dialog hands the pane's keys straight to their windows, past the dialog manager).
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
    HBRUSH OnCtlColor(HDC hDC, HWND hWnd, UINT nCtlColor);
    void OnRetry();
    // The loading's and the recovery's timers, and the network watch's report.
    LRESULT OnTimerMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnNetworkBack(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    // Where the pane's own page stands.
    enum class PageState {
        kNone,         // never asked for
        kLoading,      // asked for, and neither there nor failed yet
        kShown,        // there
        kUnreachable,  // could not be had, or not in time: the panel shows and asks again by itself
    };

    // Asks the control for the remembered address; without a control, or in a process without its
    // protections, the panel says the page cannot be opened instead.
    void ShowRememberedPage();
    bool IsAllowedSite(const wchar_t* url) const;
    // The states' entries: a request on its way, the page there, the page not to be had.
    void BeginLoading();
    void ShowPage();
    void ShowUnreachable();
    // Shows the panel as kind in place of the page, or the page (kHidden). The page's surface goes
    // before a panel shows and comes back once it has gone, so that the focus passes between the
    // page and the panel's button through the pane itself.
    void ShowInstead(CPagePanel::Kind kind);
    // Asks again for an unreachable page, now or as soon as the shortest gap allows.
    void AskByItself();
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
    CPagePanel m_panel;
    PageState m_state = PageState::kNone;
    CRecoverySchedule m_schedule;
    qv::CNetworkWatch m_networkWatch;  // from the page's first failure on
    bool m_bBlanking = false;  // the pane itself asked for about:blank, to unload a refused page
    bool m_bClicked = false;   // the user clicked in the pane, at m_dwClick, and no address took it yet
    DWORD m_dwClick = 0;
    bool m_bLaunched = false;  // an address was opened in the user's browser, at m_dwLastLaunch
    DWORD m_dwLastLaunch = 0;
};
