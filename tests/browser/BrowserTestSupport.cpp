#include "BrowserTestSupport.h"

#include <exdispid.h>
#include <ole2.h>

#include <algorithm>
#include <iterator>

#include "platform/ComObject.h"

using Microsoft::WRL::ComPtr;

namespace qvtest {

void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    for (;;) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(5);
    }
}

namespace {

const VARIANT* Unwrap(const VARIANT* value) {
    while (value && value->vt == (VT_BYREF | VT_VARIANT)) value = value->pvarVal;
    return value;
}

std::wstring Text(const VARIANT* value) {
    value = Unwrap(value);
    return value && value->vt == VT_BSTR && value->bstrVal ? std::wstring(value->bstrVal) : std::wstring();
}

}  // namespace

class NavigationLog::Sink final : public qv::CDispatchObject<IDispatch> {
public:
    std::vector<Navigation> log;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel), reversed.
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id != DISPID_BEFORENAVIGATE2 || !params || params->cArgs != 7) return S_OK;
        const VARIANT* postData = Unwrap(&params->rgvarg[2]);
        const bool cancelable = params->rgvarg[0].vt == (VT_BYREF | VT_BOOL);
        log.push_back({Text(&params->rgvarg[5]), Text(&params->rgvarg[1]),
                       postData && postData->vt != VT_EMPTY && postData->vt != VT_NULL,
                       cancelable && *params->rgvarg[0].pboolVal != VARIANT_FALSE});
        if (cancelable) *params->rgvarg[0].pboolVal = VARIANT_TRUE;
        return S_OK;
    }
};

NavigationLog::NavigationLog(IWebBrowser2* pBrowser) {
    m_pSink = new Sink;
    ComPtr<IConnectionPointContainer> points;
    if (pBrowser && SUCCEEDED(pBrowser->QueryInterface(IID_PPV_ARGS(&points))) &&
        SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_pPoint)) &&
        FAILED(m_pPoint->Advise(m_pSink.Get(), &m_dwCookie)))
        m_dwCookie = 0;
}

NavigationLog::~NavigationLog() {
    if (m_dwCookie) m_pPoint->Unadvise(m_dwCookie);
}

const std::vector<Navigation>& NavigationLog::entries() const { return m_pSink->log; }

const std::vector<Navigation>& NavigationLog::WaitFor(size_t count) {
    PumpUntil([&] { return m_pSink->log.size() >= count; });
    return Settle();
}

const std::vector<Navigation>& NavigationLog::Settle() {
    Pump(300);
    return m_pSink->log;
}

namespace {

// A class object whose every instance request fails.
class RefusingFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // static lifetime
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, void** ppv) override {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

RefusingFactory g_refusingFactory;

}  // namespace

ControlUnavailable::ControlUnavailable() {
    // Class objects registered in the process come before the registry's in-process servers.
    if (FAILED(::CoRegisterClassObject(CLSID_WebBrowser, &g_refusingFactory, CLSCTX_INPROC_SERVER,
                                       REGCLS_MULTIPLEUSE, &m_dwRegister)))
        m_dwRegister = 0;
}

ControlUnavailable::~ControlUnavailable() {
    if (m_dwRegister) ::CoRevokeClassObject(m_dwRegister);
}

HostWindow::HostWindow() {
    m_wnd.CreateEx(0, L"STATIC", "pane host", WS_POPUP | WS_CLIPCHILDREN,
                   RECT{0, 0, 940, 600}, nullptr, 0);
}

namespace {

// Next hands out each connection with a reference of its own for the caller to release, except
// in Wine's control, whose enumerator hands out the connection's own: releasing that one would
// leave the sink freed while the control still calls it.
bool NextAddsReference() {
    static const bool bAdds = !::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    return bAdds;
}

}  // namespace

std::vector<ComPtr<IDispatch>> EventSinks(IWebBrowser2* browser) {
    std::vector<ComPtr<IDispatch>> sinks;
    ComPtr<IConnectionPointContainer> points;
    ComPtr<IConnectionPoint> point;
    ComPtr<IEnumConnections> connections;
    if (!browser || FAILED(browser->QueryInterface(IID_PPV_ARGS(&points))) ||
        FAILED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) ||
        FAILED(point->EnumConnections(&connections)))
        return sinks;
    CONNECTDATA data;
    while (connections->Next(1, &data, nullptr) == S_OK) {
        ComPtr<IDispatch> sink;
        if (SUCCEEDED(data.pUnk->QueryInterface(IID_PPV_ARGS(&sink)))) sinks.push_back(sink);
        if (NextAddsReference()) data.pUnk->Release();
    }
    return sinks;
}

ControlEvent::~ControlEvent() {
    for (VARIANT& value : m_values) ::VariantClear(&value);
}

ControlEvent& ControlEvent::Dispatch(IDispatch* pDisp) {
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = pDisp;  // borrowed, as the control lends it
    m_args.push_back(arg);
    return *this;
}

ControlEvent& ControlEvent::Text(const wchar_t* text) {
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(text);
    m_values.push_back(value);
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_BYREF | VT_VARIANT;
    m_args.push_back(arg);  // pointed at its value when fired: m_values may still move
    return *this;
}

ControlEvent& ControlEvent::Long(LONG number) {
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = number;
    m_values.push_back(value);
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_BYREF | VT_VARIANT;
    m_args.push_back(arg);
    return *this;
}

ControlEvent& ControlEvent::Bool(bool flag) {
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_BOOL;
    arg.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    m_args.push_back(arg);
    return *this;
}

ControlEvent& ControlEvent::Cancel() {
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_BYREF | VT_BOOL;
    m_args.push_back(arg);
    return *this;
}

bool ControlEvent::FireAt(IDispatch* sink) {
    m_cancel = VARIANT_FALSE;
    std::vector<VARIANT> reversed(m_args.rbegin(), m_args.rend());
    size_t value = m_values.size();
    for (VARIANT& arg : reversed) {  // the last by-reference argument points at the last value
        if (arg.vt == (VT_BYREF | VT_VARIANT)) arg.pvarVal = &m_values[--value];
        if (arg.vt == (VT_BYREF | VT_BOOL)) arg.pboolVal = &m_cancel;
    }
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    sink->Invoke(m_id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    return m_cancel != VARIANT_FALSE;
}

HeldKeys::HeldKeys(std::initializer_list<int> keys) {
    ::GetKeyboardState(m_saved);
    BYTE state[256];
    std::copy(std::begin(m_saved), std::end(m_saved), state);
    for (int key : keys) state[key] |= 0x80;
    ::SetKeyboardState(state);
}

HeldKeys::~HeldKeys() { ::SetKeyboardState(m_saved); }

HWND BrowserSurface(const CWnd& pane) { return ::FindWindowExW(pane.m_hWnd, nullptr, L"Shell Embedding", nullptr); }

HWND RetryButton(const CWnd& pane) { return ::FindWindowExW(pane.m_hWnd, nullptr, L"Button", nullptr); }

HWND PanelLine(const CWnd& pane) { return ::FindWindowExW(pane.m_hWnd, nullptr, L"Static", nullptr); }

std::wstring PanelLineText(const CWnd& pane) {
    const HWND hLine = PanelLine(pane);
    wchar_t text[64] = L"";
    if (hLine && (::GetWindowLongW(hLine, GWL_STYLE) & WS_VISIBLE)) ::GetWindowTextW(hLine, text, 64);
    return text;
}

namespace {
// Shown by its parent (the host window itself never is).
bool Shown(HWND hWnd) { return hWnd && (::GetWindowLongW(hWnd, GWL_STYLE) & WS_VISIBLE); }
}  // namespace

bool PanelShown(const CWnd& pane) { return Shown(RetryButton(pane)) && !Shown(BrowserSurface(pane)); }

RECT RectInParent(HWND hWnd) {
    RECT rect{};
    ::GetWindowRect(hWnd, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(hWnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace qvtest
