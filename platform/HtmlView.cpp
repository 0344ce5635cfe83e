#include "platform/HtmlView.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <ole2.h>
#include <servprov.h>
#include <shobjidl.h>
#include <urlmon.h>

#include <cstring>
#include <utility>

#include "platform/ComObject.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"

using Microsoft::WRL::ComPtr;

namespace {
// CGID_DocHostCommandHandler, which mingw-w64's uuid library does not carry.
constexpr GUID kDocHostCommandHandler = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

// Where an event the view reports keeps the arguments the view reads, counted in the order the
// event declares them; -1 where it has none.
struct EventShape {
    DISPID id;
    signed char nArgs, disp, url, number, flag, cancel;
};
constexpr EventShape kEventShapes[] = {
    {DISPID_BEFORENAVIGATE2, 7, 0, 1, -1, -1, 6},  // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
    {DISPID_NAVIGATECOMPLETE2, 2, 0, 1, -1, -1, -1},  // (pDisp, URL)
    {DISPID_NAVIGATEERROR, 5, 0, 1, 3, -1, 4},     // (pDisp, URL, TargetFrameName, StatusCode, Cancel)
    {DISPID_NEWWINDOW2, 2, -1, -1, -1, -1, 1},     // (ppDisp, Cancel)
    {DISPID_NEWWINDOW3, 5, -1, 4, 2, -1, 1},       // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
    {DISPID_WINDOWCLOSING, 2, -1, -1, -1, 0, 1},   // (IsChildWindow, Cancel)
    {DISPID_FILEDOWNLOAD, 2, -1, -1, -1, 0, 1},    // (ActiveDocument, Cancel)
    {DISPID_FILEDOWNLOAD, 1, -1, -1, -1, -1, 0},   // (Cancel), from controls before Internet Explorer 7
};
}  // namespace

// The container side of the browser control: client site, in-place site and frame, UI handler,
// command target, drop target, service provider with its authenticator, and the event sink and
// ambient properties in one COM object. It refers back to its view until the view lets go of
// the control; any late call after that finds no view and declines.
class CHtmlSite final : public qv::CDispatchObject<IOleClientSite,
                                                  IOleInPlaceSite,
                                                  IOleInPlaceFrame,
                                                  IDocHostUIHandler,
                                                  IOleCommandTarget,
                                                  IDropTarget,
                                                  IServiceProvider,
                                                  IAuthenticate,
                                                  IDispatch> {
public:
    explicit CHtmlSite(CHtmlView* pView) : m_pView(pView) {}

    void Detach() { m_pView = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
            *ppv = static_cast<IOleInPlaceFrame*>(this);
        else if (riid == IID_IDocHostUIHandler)
            *ppv = static_cast<IDocHostUIHandler*>(this);
        else if (riid == IID_IOleCommandTarget)
            *ppv = static_cast<IOleCommandTarget*>(this);
        else if (riid == IID_IDropTarget)
            *ppv = static_cast<IDropTarget*>(this);
        else if (riid == IID_IServiceProvider)
            *ppv = static_cast<IServiceProvider*>(this);
        else if (riid == IID_IAuthenticate)
            *ppv = static_cast<IAuthenticate*>(this);
        else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
            *ppv = static_cast<IDispatch*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    // IOleClientSite: an embedding without storage or container.
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
        if (ppmk) *ppmk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override {
        if (ppContainer) *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, shared by the in-place site and the frame: the view's window.
    STDMETHODIMP GetWindow(HWND* phwnd) override {
        if (!phwnd) return E_POINTER;
        *phwnd = m_pView ? m_pView->m_hWnd : nullptr;
        return *phwnd ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return m_pView && m_pView->m_hWnd ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                  LPRECT lprcPosRect, LPRECT lprcClipRect,
                                  LPOLEINPLACEFRAMEINFO lpFrameInfo) override {
        if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect || !lpFrameInfo) return E_POINTER;
        *ppFrame = nullptr;
        *ppDoc = nullptr;
        if (!m_pView || !m_pView->m_hWnd) return E_FAIL;
        *ppFrame = this;
        AddRef();
        *lprcPosRect = m_pView->m_rcBrowser;
        ::GetClientRect(m_pView->m_hWnd, lprcClipRect);
        lpFrameInfo->fMDIApp = FALSE;
        lpFrameInfo->hwndFrame = ::GetAncestor(m_pView->m_hWnd, GA_ROOT);
        lpFrameInfo->haccel = nullptr;
        lpFrameInfo->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override {
        if (!lprcPosRect) return E_POINTER;
        if (!m_pView) return E_FAIL;
        m_pView->SetBrowserRect(*lprcPosRect);
        return S_OK;
    }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, tool space or status bar to share.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }  // the frame's and the UI handler's
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler. S_OK tells the control that the host has handled a menu or key itself.
    STDMETHODIMP ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown*, IDispatch*) override {
        return Ask([&] { return m_pView->OnShowContextMenu(dwID, ppt); }) ? S_OK : S_FALSE;
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* pInfo) override {
        if (!pInfo) return E_POINTER;
        if (!m_pView) return E_NOTIMPL;
        return CallWithoutThrowing(
            __FILE__, __LINE__, [&] { return m_pView->OnGetHostInfo(pInfo); }, [] { return E_UNEXPECTED; });
    }
    // The pane has no tool bars or menus for the page to show or hide.
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG lpMsg, const GUID*, DWORD) override {
        if (!lpMsg) return E_POINTER;
        return Ask([&] { return m_pView->OnTranslateAccelerator(*lpMsg); }) ? S_OK : S_FALSE;
    }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* pchKey, DWORD) override {
        if (pchKey) *pchKey = nullptr;
        return E_NOTIMPL;
    }
    // Files dropped on a page are refused: the pane keeps showing its own page.
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) override {
        if (!ppDropTarget) return E_POINTER;
        *ppDropTarget = this;
        AddRef();
        return S_OK;
    }
    // Page script gets no object of the host (window.external stays null).
    STDMETHODIMP GetExternal(IDispatch** ppDispatch) override {
        if (ppDispatch) *ppDispatch = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* ppchURLOut) override {
        if (ppchURLOut) *ppchURLOut = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** ppDORet) override {
        if (ppDORet) *ppDORet = nullptr;
        return S_FALSE;
    }

    // IOleCommandTarget: a page's script error is passed over without a dialog, and its other
    // scripts go on running.
    STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return E_NOTIMPL; }
    STDMETHODIMP Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD, VARIANT*, VARIANT* pvaOut) override {
        if (!pguidCmdGroup) return OLECMDERR_E_NOTSUPPORTED;
        if (*pguidCmdGroup != kDocHostCommandHandler) return OLECMDERR_E_UNKNOWNGROUP;
        if (nCmdID != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
        if (pvaOut) {
            ::VariantClear(pvaOut);
            pvaOut->vt = VT_BOOL;
            pvaOut->boolVal = VARIANT_TRUE;
        }
        return S_OK;
    }

    // IDropTarget: accepts nothing.
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* pdwEffect) override { return Refuse(pdwEffect); }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* pdwEffect) override { return Refuse(pdwEffect); }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD* pdwEffect) override { return Refuse(pdwEffect); }

    // IServiceProvider: the control looks for the host's authenticator here.
    STDMETHODIMP QueryService(REFGUID guidService, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (guidService != IID_IAuthenticate) return E_NOINTERFACE;
        return QueryInterface(riid, ppv);
    }

    // IAuthenticate: a site asks for a user name and password.
    STDMETHODIMP Authenticate(HWND* phwnd, LPWSTR* pszUsername, LPWSTR* pszPassword) override {
        if (!phwnd || !pszUsername || !pszPassword) return E_INVALIDARG;
        *phwnd = nullptr;
        *pszUsername = nullptr;
        *pszPassword = nullptr;
        if (!m_pView) return E_ACCESSDENIED;
        return CallWithoutThrowing(
            __FILE__, __LINE__, [&] { return m_pView->OnAuthenticate(phwnd, pszUsername, pszPassword); },
            [] { return E_ACCESSDENIED; });
    }

    // IDispatch: the control's events (DWebBrowserEvents2) and the ambient properties it reads.
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                        EXCEPINFO*, UINT*) override {
        // A view that throws is taken to have decided nothing: an event's Cancel stays set.
        return CallWithoutThrowing(
            __FILE__, __LINE__, [&] { return Dispatch(dispIdMember, pDispParams, pVarResult); },
            [] { return E_UNEXPECTED; });
    }

private:
    ~CHtmlSite() = default;

    // Asks the view a yes-or-no question of the control; no view, or a view that throws, says no.
    template <typename Question>
    bool Ask(Question&& question) {
        if (!m_pView) return false;
        return CallWithoutThrowing(__FILE__, __LINE__, std::forward<Question>(question), [] { return false; });
    }

    HRESULT Dispatch(DISPID dispIdMember, DISPPARAMS* pDispParams, VARIANT* pVarResult) {
        if (dispIdMember == DISPID_AMBIENT_DLCONTROL) {
            DWORD dwFlags = 0;
            if (!pVarResult) return E_POINTER;
            if (!m_pView || !m_pView->OnAmbientDownloadControl(&dwFlags)) return DISP_E_MEMBERNOTFOUND;
            ::VariantClear(pVarResult);
            pVarResult->vt = VT_I4;
            pVarResult->lVal = static_cast<LONG>(dwFlags);
            return S_OK;
        }
        const UINT nArgs = pDispParams && pDispParams->rgvarg ? pDispParams->cArgs : 0;
        const EventShape* shape = nullptr;
        bool bKnown = false;
        for (const EventShape& each : kEventShapes) {
            if (each.id != dispIdMember) continue;
            bKnown = true;
            if (static_cast<UINT>(each.nArgs) == nArgs) shape = &each;
        }
        if (!shape) return bKnown ? DISP_E_BADPARAMCOUNT : DISP_E_MEMBERNOTFOUND;
        // The argument in the place the event declares it (DISPPARAMS holds them in reverse),
        // looked through the references the control may wrap it in.
        const auto arg = [&](int i) -> VARIANT& { return pDispParams->rgvarg[nArgs - 1 - i]; };
        const auto value = [&](int i) {
            const VARIANT* v = &arg(i);
            while (v && v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
            return v;
        };

        // Cancel is set before anything else is looked at and cleared only by the view's
        // decision, so an event with arguments of unexpected types, one that comes after the
        // view let go, or a view that throws stops what the event announces. New windows stay
        // cancelled whatever the view makes of them: the view has none to give.
        VARIANT_BOOL* pCancel = shape->cancel >= 0 ? CancelFlag(arg(shape->cancel)) : nullptr;
        if (shape->cancel >= 0 && !pCancel) return DISP_E_TYPEMISMATCH;
        bool bCancel = pCancel && *pCancel != VARIANT_FALSE;
        if (pCancel) *pCancel = VARIANT_TRUE;
        const VARIANT* url = shape->url >= 0 ? value(shape->url) : nullptr;
        const VARIANT* number = shape->number >= 0 ? value(shape->number) : nullptr;
        const VARIANT* flag = shape->flag >= 0 ? value(shape->flag) : nullptr;
        const VARIANT* disp = shape->disp >= 0 ? value(shape->disp) : nullptr;
        if ((shape->url >= 0 && (!url || url->vt != VT_BSTR)) ||
            (shape->number >= 0 && (!number || (number->vt != VT_I4 && number->vt != VT_UI4))) ||
            (shape->flag >= 0 && (!flag || flag->vt != VT_BOOL)))
            return DISP_E_TYPEMISMATCH;
        if (!m_pView) return S_OK;
        const wchar_t* address = url && url->bstrVal ? url->bstrVal : L"";
        const bool bTopLevel = disp && disp->vt == VT_DISPATCH && m_pView->IsTopLevel(disp->pdispVal);
        switch (dispIdMember) {
            case DISPID_BEFORENAVIGATE2: m_pView->OnBeforeNavigate2(address, bTopLevel, &bCancel); break;
            case DISPID_NAVIGATECOMPLETE2: m_pView->OnNavigateComplete2(address, bTopLevel); break;
            case DISPID_NAVIGATEERROR: m_pView->OnNavigateError(address, bTopLevel, number->lVal, &bCancel); break;
            case DISPID_NEWWINDOW3: m_pView->OnNewWindow3(address, static_cast<DWORD>(number->lVal)); return S_OK;
            case DISPID_WINDOWCLOSING: m_pView->OnWindowClosing(flag->boolVal != VARIANT_FALSE, &bCancel); break;
            case DISPID_FILEDOWNLOAD:
                m_pView->OnFileDownload(flag && flag->boolVal != VARIANT_FALSE, &bCancel);
                break;
            default: return S_OK;  // NewWindow2: no address to report
        }
        if (pCancel) *pCancel = bCancel ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    // The Cancel flag an event hands out by reference, directly or inside a variant; else null.
    static VARIANT_BOOL* CancelFlag(VARIANT& arg) {
        if (arg.vt == (VT_BYREF | VT_BOOL)) return arg.pboolVal;
        if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal && arg.pvarVal->vt == VT_BOOL)
            return &arg.pvarVal->boolVal;
        return nullptr;
    }

    static HRESULT Refuse(DWORD* pdwEffect) {
        if (!pdwEffect) return E_INVALIDARG;
        *pdwEffect = DROPEFFECT_NONE;
        return S_OK;
    }

    CHtmlView* m_pView;
};

namespace {

constexpr wchar_t kViewClassName[] = L"QuilVaraHtmlView";

const wchar_t* ViewClassName() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kViewClassName;
        return ::RegisterClassExW(&windowClass);
    }();
    return atom ? kViewClassName : nullptr;
}

// A VARIANT that clears itself, so every BSTR and array handed to the control is freed.
class CVariant {
public:
    CVariant() { ::VariantInit(&m_var); }
    ~CVariant() { ::VariantClear(&m_var); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    VARIANT* operator&() { return &m_var; }

    // A code page 936 text as a BSTR; a null text leaves the variant empty.
    void SetText(const char* text) {
        if (!text) return;
        m_var.vt = VT_BSTR;
        m_var.bstrVal = ::SysAllocString(qv::WideFromGbk(text).c_str());
    }
    void SetLong(long value) {
        m_var.vt = VT_I4;
        m_var.lVal = value;
    }
    // Bytes as the byte array the control takes for post data; none leaves the variant empty.
    void SetBytes(const void* data, DWORD size) {
        if (!data || !size) return;
        SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, size);
        void* target = nullptr;
        if (!array) return;
        if (FAILED(::SafeArrayAccessData(array, &target))) {
            ::SafeArrayDestroy(array);
            return;
        }
        std::memcpy(target, data, size);
        ::SafeArrayUnaccessData(array);
        m_var.vt = VT_ARRAY | VT_UI1;
        m_var.parray = array;
    }

private:
    VARIANT m_var;
};

}  // namespace

BEGIN_MESSAGE_MAP(CHtmlView, CWnd)
    ON_MESSAGE(WM_SIZE, OnSizeMessage)
    ON_MESSAGE(WM_DESTROY, OnDestroyMessage)
END_MESSAGE_MAP()

CHtmlView::CHtmlView() = default;

// Normally the control is gone with the window; this covers a view deleted while it had one.
CHtmlView::~CHtmlView() { DestroyControl(); }

BOOL CHtmlView::Create(const wchar_t* className, const char* windowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID) {
    // The control's window lies inside ours: our background must not paint over it. A dialog's
    // keyboard navigation steps into the view (a control parent), to the page and to any control
    // its owner puts there.
    m_bCreatingWindow = true;
    const BOOL created = CWnd::CreateEx(WS_EX_CONTROLPARENT, className ? className : ViewClassName(), windowName,
                                        dwStyle | WS_CLIPCHILDREN, rect, pParentWnd, nID);
    m_bCreatingWindow = false;
    return created && CreateControl();
}

bool CHtmlView::CreateControl() {
    ComPtr<IOleObject> object;
    if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object))))
        return false;
    m_pOleObject = object;
    m_pSite = new CHtmlSite(this);
    ::GetClientRect(m_hWnd, &m_rcBrowser);

    bool ok = SUCCEEDED(object.As(&m_pInPlaceObject)) && SUCCEEDED(object.As(&m_pBrowser)) &&
              SUCCEEDED(object->SetClientSite(m_pSite.Get()));
    ComPtr<IPersistStreamInit> persist;
    if (ok && SUCCEEDED(object.As(&persist))) ok = SUCCEEDED(persist->InitNew());

    // Without its events the control would run with none of its owner's rules: then it never runs.
    ComPtr<IConnectionPointContainer> points;
    ok = ok && SUCCEEDED(object.As(&points)) &&
         SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_pEventPoint));
    if (ok && FAILED(m_pEventPoint->Advise(static_cast<IDispatch*>(m_pSite.Get()), &m_dwEventCookie))) {
        m_pEventPoint.Reset();
        ok = false;
    }

    ok = ok && SUCCEEDED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_pSite.Get(), 0, m_hWnd,
                                        &m_rcBrowser));
    if (!ok) {
        DestroyControl();
        return false;
    }
    // Script errors never show a dialog; dropped files do not navigate the frame.
    m_pBrowser->put_Silent(VARIANT_TRUE);
    m_pBrowser->put_RegisterAsDropTarget(VARIANT_FALSE);
    // The page is a tab stop of its dialog; inside it, the control moves the focus itself.
    HWND hSurface = nullptr;
    if (SUCCEEDED(m_pInPlaceObject->GetWindow(&hSurface)) && hSurface)
        ::SetWindowLongW(hSurface, GWL_STYLE, ::GetWindowLongW(hSurface, GWL_STYLE) | WS_TABSTOP);
    return true;
}

void CHtmlView::DestroyControl() {
    if (m_pInPlaceObject) m_pInPlaceObject->InPlaceDeactivate();
    if (m_pOleObject) m_pOleObject->Close(OLECLOSE_NOSAVE);
    // Only now that the page is gone: its unload handlers may still ask for new windows, and
    // those must be cancelled too.
    if (m_pEventPoint) m_pEventPoint->Unadvise(m_dwEventCookie);
    m_pEventPoint.Reset();
    m_dwEventCookie = 0;
    if (m_pOleObject) m_pOleObject->SetClientSite(nullptr);
    m_pBrowser.Reset();
    m_pInPlaceObject.Reset();
    m_pOleObject.Reset();
    if (m_pSite) m_pSite->Detach();
    m_pSite.Reset();
}

void CHtmlView::Navigate2(const char* lpszURL, DWORD dwFlags, const char* lpszTargetFrameName,
                          const char* lpszHeaders, const void* lpvPostData, DWORD dwPostDataLen) {
    if (!m_pBrowser) return;
    CVariant url, flags, targetFrame, postData, headers;
    url.SetText(lpszURL ? lpszURL : "");
    flags.SetLong(static_cast<long>(dwFlags));
    targetFrame.SetText(lpszTargetFrameName);
    headers.SetText(lpszHeaders);
    postData.SetBytes(lpvPostData, dwPostDataLen);
    m_pBrowser->Navigate2(&url, &flags, &targetFrame, &postData, &headers);
}

void CHtmlView::SetTop(long nNewValue) {
    if (m_pBrowser) m_pBrowser->put_Top(nNewValue);
}

void CHtmlView::SetLeft(long nNewValue) {
    if (m_pBrowser) m_pBrowser->put_Left(nNewValue);
}

void CHtmlView::Stop() {
    if (m_pBrowser) m_pBrowser->Stop();
}

void CHtmlView::ShowBrowser(bool bShow) {
    HWND hSurface = nullptr;
    if (m_pInPlaceObject && SUCCEEDED(m_pInPlaceObject->GetWindow(&hSurface)) && hSurface)
        ::ShowWindow(hSurface, bShow ? SW_SHOWNA : SW_HIDE);
    UpdateTabStop();
}

void CHtmlView::UpdateTabStop() {
    bool bStopInside = false;
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild && !bStopInside; hChild = ::GetWindow(hChild, GW_HWNDNEXT))
        bStopInside = (::GetWindowLongW(hChild, GWL_STYLE) & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) ==
                      (WS_TABSTOP | WS_VISIBLE);
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, bStopInside ? exStyle | WS_EX_CONTROLPARENT : exStyle & ~WS_EX_CONTROLPARENT);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, bStopInside ? style & ~WS_TABSTOP : style | WS_TABSTOP);
}

void CHtmlView::SetBrowserRect(const RECT& rect) {
    m_rcBrowser = rect;
    if (!m_pInPlaceObject || !m_hWnd) return;
    RECT clip;
    ::GetClientRect(m_hWnd, &clip);
    m_pInPlaceObject->SetObjectRects(&m_rcBrowser, &clip);
}

BOOL CHtmlView::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
    // The owner has the first word, as the control would give it through the UI handler.
    if (OnTranslateAccelerator(*pMsg)) return TRUE;
    if (!m_pOleObject) return FALSE;
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(m_pOleObject.As(&active))) return FALSE;
    return active->TranslateAccelerator(pMsg) == S_OK;
}

HRESULT CHtmlView::OnGetHostInfo(DOCHOSTUIINFO*) { return E_NOTIMPL; }

bool CHtmlView::IsTopLevel(IDispatch* pDisp) const {
    ComPtr<IUnknown> event, own;
    return pDisp && m_pBrowser && SUCCEEDED(pDisp->QueryInterface(IID_PPV_ARGS(&event))) &&
           SUCCEEDED(m_pBrowser.As(&own)) && event.Get() == own.Get();
}

LRESULT CHtmlView::OnSizeMessage(WPARAM, LPARAM lParam) {
    // The surface keeps its offset and reaches the view's right and bottom edges.
    if (m_pInPlaceObject)
        SetBrowserRect({m_rcBrowser.left, m_rcBrowser.top, LOWORD(lParam), HIWORD(lParam)});
    return 0;
}

LRESULT CHtmlView::OnDestroyMessage(WPARAM, LPARAM) {
    DestroyControl();
    return Default();
}

// A window torn down while it is being created never owned the view: its creator keeps it.
void CHtmlView::PostNcDestroy() {
    if (!m_bCreatingWindow) delete this;
}
