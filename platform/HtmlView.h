// CHtmlView: a child window that hosts the system's web-browser control (CLSID_WebBrowser) in a
// small OLE container of its own. The view is a heap object owned by its window: it deletes
// itself once the window is gone. Embedded pages are kept in their place: script errors stay
// silent, pages get no object of the host, dropped files are refused, and a page never gets a
// second browser-control window: a new window the user asked for opens in the user's own web
// browser instead, and every other is cancelled.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <wrl/client.h>

#include "platform/Wnd.h"

class CHtmlSite;

class CHtmlView : public CWnd {
public:
    CHtmlView();
    ~CHtmlView() override;

    // Creates the view window (with its own window class when className is null) and the
    // browser control inside it. FALSE when either failed. Once the window exists it owns this
    // object, with or without a control (a blank pane); when it returns without a window, the
    // object stays its creator's, even if a window was begun and torn down on the way.
    BOOL Create(const wchar_t* className, const char* windowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID) override;

    // Shows the address (code page 936) in the view. Null texts and no post data leave those
    // parts of the request out. Does nothing when there is no control.
    void Navigate2(const char* lpszURL, DWORD dwFlags = 0, const char* lpszTargetFrameName = nullptr,
                   const char* lpszHeaders = nullptr, const void* lpvPostData = nullptr,
                   DWORD dwPostDataLen = 0);
    // Where the browser surface sits inside the view, in client pixels; the view clips it.
    void SetTop(long nNewValue);
    void SetLeft(long nNewValue);

    // The hosted control, or null when it could not be created; the view keeps the reference.
    IWebBrowser2* GetBrowser() const { return m_pBrowser.Get(); }

    // Offers keys to the control first, so its accelerators (Tab, Ctrl+C, ...) work inside pages.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // The control asks its host for UI options. The default keeps the control's own.
    virtual HRESULT OnGetHostInfo(DOCHOSTUIINFO* pInfo);

protected:
    // Opens url, a web address the user asked a page to open in a new window, in the user's
    // default web browser.
    virtual void OpenInSystemBrowser(const wchar_t* url);

    void PostNcDestroy() override;

    DECLARE_MESSAGE_MAP()

private:
    friend class CHtmlSite;

    LRESULT OnSizeMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroyMessage(WPARAM wParam, LPARAM lParam);

    bool CreateControl();
    // Releases the control in the order OLE asks for; safe to call when there is none.
    void DestroyControl();
    // Moves the browser surface to rect (client pixels), clipped to the client area.
    void SetBrowserRect(const RECT& rect);
    // A page asked for a new window at url, with the NWMF flags of its request (already cancelled).
    void OnNewWindow(DWORD dwFlags, const wchar_t* url);

    // The shortest time between two addresses a pane opens in the user's browser.
    static constexpr DWORD kLaunchIntervalMs = 1000;

    Microsoft::WRL::ComPtr<CHtmlSite> m_pSite;
    Microsoft::WRL::ComPtr<IOleObject> m_pOleObject;
    Microsoft::WRL::ComPtr<IOleInPlaceObject> m_pInPlaceObject;
    Microsoft::WRL::ComPtr<IWebBrowser2> m_pBrowser;
    Microsoft::WRL::ComPtr<IConnectionPoint> m_pEventPoint;
    DWORD m_dwEventCookie = 0;
    RECT m_rcBrowser = {0, 0, 0, 0};
    bool m_bCreatingWindow = false;
    bool m_bLaunched = false;  // an address was opened in the user's browser, at m_dwLastLaunch
    DWORD m_dwLastLaunch = 0;
};
