// CHtmlView: a child window that hosts the system's web-browser control (CLSID_WebBrowser) in a
// small OLE container of its own. The view is a heap object owned by its window: it deletes
// itself once the window is gone. Embedded pages are kept in their place: script errors stay
// silent, pages get no object of the host, dropped files are refused, and a page never gets a
// second browser-control window (every new window is cancelled).
//
// What else a page may do is its owner's decision. The view reports the control's events and
// passes on the questions the control asks its host, each to an operation below that a derived
// class must give. The control only runs while its events reach the view: when they cannot be
// connected, the view has no control at all. A dialog's keyboard navigation steps into the view,
// to the page (a tab stop) and to any control its owner puts there.
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
    // browser control inside it. FALSE when either failed, or when the control's events could not
    // be connected (the control is then released before it ever runs). Once the window exists it
    // owns this object, with or without a control (a blank pane); when it returns without a
    // window, the object stays its creator's, even if a window was begun and torn down on the way.
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
    // Shows or hides the browser surface; the page stays loaded behind a hidden one.
    void ShowBrowser(bool bShow);
    // After the view's children were shown or hidden: while one can take the focus (the page, a
    // control its owner put there), the view is a control parent that a dialog's keyboard
    // navigation steps into; while none can, the view is a tab stop itself, so that the keys
    // still reach it in its place.
    void UpdateTabStop();
    // Gives up the page that is on its way (the control's Stop). Does nothing when there is no
    // control.
    void Stop();

    // The hosted control, or null when it could not be created; the view keeps the reference.
    IWebBrowser2* GetBrowser() const { return m_pBrowser.Get(); }

    // Offers keys to OnTranslateAccelerator and then to the control, so its accelerators (Tab,
    // Ctrl+C, ...) work inside pages.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // The control asks its host for UI options. The default keeps the control's own.
    virtual HRESULT OnGetHostInfo(DOCHOSTUIINFO* pInfo);

protected:
    // The control's events. Addresses are as the control gives them; bTopLevel tells the view's
    // own page from a frame inside it. Cancel starts as the control sent it (normally false); a
    // handler that sets it stops what the event announces. The view cancels by itself an event
    // that comes with arguments it cannot read.
    virtual void OnBeforeNavigate2(const wchar_t* url, bool bTopLevel, bool* pbCancel) = 0;
    virtual void OnNavigateComplete2(const wchar_t* url, bool bTopLevel) = 0;
    // nStatusCode: an HTTP status, or the HRESULT of a failure (INET_E_...). Cancelling keeps
    // the control from showing its own error page.
    virtual void OnNavigateError(const wchar_t* url, bool bTopLevel, long nStatusCode, bool* pbCancel) = 0;
    // A page asked for a new window at url, with the NWMF flags of its request. The request is
    // already cancelled: the view has no second window to give it.
    virtual void OnNewWindow3(const wchar_t* url, DWORD dwFlags) = 0;
    // A page's script asks to close the window it runs in.
    virtual void OnWindowClosing(bool bChildWindow, bool* pbCancel) = 0;
    // A download is about to begin; bActiveDocument when it is a document the control shows itself.
    virtual void OnFileDownload(bool bActiveDocument, bool* pbCancel) = 0;

    // The control's questions. True answers "the host has handled it": the control shows no
    // menu of its own, or does nothing more with the key.
    virtual bool OnShowContextMenu(DWORD dwID, const POINT* ppt) = 0;
    virtual bool OnTranslateAccelerator(const MSG& msg) = 0;
    // The download-control ambient property (DLCTL_ flags); false leaves the control's defaults.
    virtual bool OnAmbientDownloadControl(DWORD* pdwFlags) = 0;
    // A site asks for a user name and password: IAuthenticate::Authenticate, whose answers are
    // E_ACCESSDENIED to refuse, or S_OK with a window for the system to ask the user in.
    virtual HRESULT OnAuthenticate(HWND* phwnd, LPWSTR* pszUsername, LPWSTR* pszPassword) = 0;

    void PostNcDestroy() override;

    // Keeps the browser surface's offset while it reaches the view's right and bottom edges.
    LRESULT OnSizeMessage(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    friend class CHtmlSite;

    LRESULT OnDestroyMessage(WPARAM wParam, LPARAM lParam);

    bool CreateControl();
    // Releases the control in the order OLE asks for; safe to call when there is none.
    void DestroyControl();
    // Moves the browser surface to rect (client pixels), clipped to the client area.
    void SetBrowserRect(const RECT& rect);
    // Whether pDisp, an event's browser object, is the view's own control rather than a frame.
    bool IsTopLevel(IDispatch* pDisp) const;

    Microsoft::WRL::ComPtr<CHtmlSite> m_pSite;
    Microsoft::WRL::ComPtr<IOleObject> m_pOleObject;
    Microsoft::WRL::ComPtr<IOleInPlaceObject> m_pInPlaceObject;
    Microsoft::WRL::ComPtr<IWebBrowser2> m_pBrowser;
    Microsoft::WRL::ComPtr<IConnectionPoint> m_pEventPoint;
    DWORD m_dwEventCookie = 0;
    RECT m_rcBrowser = {0, 0, 0, 0};
    bool m_bCreatingWindow = false;
};
