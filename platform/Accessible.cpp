#include "platform/Accessible.h"

#include <commctrl.h>
#include <oleacc.h>
#include <wrl/client.h>

#include "platform/ComObject.h"
#include "platform/Exceptions.h"
#include "platform/SystemLibrary.h"
#include "platform/Text.h"

using Microsoft::WRL::ComPtr;

namespace {

const qv::CSystemLibrary& Oleacc() {
    static const qv::CSystemLibrary library(L"oleacc.dll");
    return library;
}

// The one id this layer subclasses windows under.
constexpr UINT_PTR kSubclassId = 0x4143;  // "AC"

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// A text for a client: S_FALSE and no string when it is empty.
HRESULT ToBstr(const CString& text, BSTR* pOut) {
    *pOut = nullptr;
    if (text.IsEmpty()) return S_FALSE;
    *pOut = ::SysAllocString(qv::WideFromGbk(text).c_str());
    return *pOut ? S_OK : E_OUTOFMEMORY;
}

void SetLong(VARIANT* pOut, long value) {
    pOut->vt = VT_I4;
    pOut->lVal = value;
}

}  // namespace

// The COM object a client gets. It refers to its window and source until its owner disconnects it;
// a call after that, from a client that kept it, is told the object is gone.
class CAccessibleObject final : public qv::CDispatchObject<IAccessible> {
public:
    CAccessibleObject(HWND hWnd, qv::IAccessibleSource* pSource) : m_hWnd(hWnd), m_pSource(pSource) {}

    void Disconnect() {
        m_hWnd = nullptr;
        m_pSource = nullptr;
        m_pStandard.Reset();
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
            *ppv = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    // IDispatch: nothing to invoke; clients call the interface itself.
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible: what the source and the window say of the window itself ...
    STDMETHODIMP get_accName(VARIANT varChild, BSTR* pszName) override {
        if (!IsSelf(varChild)) return Forward(&IAccessible::get_accName, varChild, pszName);
        return Say(&qv::IAccessibleSource::AccessibleName, pszName);
    }
    STDMETHODIMP get_accDescription(VARIANT varChild, BSTR* pszDescription) override {
        if (!IsSelf(varChild)) return Forward(&IAccessible::get_accDescription, varChild, pszDescription);
        return Say(&qv::IAccessibleSource::AccessibleDescription, pszDescription);
    }
    STDMETHODIMP get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override {
        if (!IsSelf(varChild)) return Forward(&IAccessible::get_accDefaultAction, varChild, pszDefaultAction);
        return Say(&qv::IAccessibleSource::DefaultActionName, pszDefaultAction);
    }
    STDMETHODIMP accDoDefaultAction(VARIANT varChild) override;
    STDMETHODIMP get_accRole(VARIANT varChild, VARIANT* pvarRole) override {
        if (!IsSelf(varChild)) return Forward(&IAccessible::get_accRole, varChild, pvarRole);
        if (!pvarRole) return E_POINTER;
        if (!m_pSource) return RPC_E_DISCONNECTED;
        SetLong(pvarRole, m_pSource->AccessibleRole());
        return S_OK;
    }
    STDMETHODIMP get_accState(VARIANT varChild, VARIANT* pvarState) override;

    // ... and what the system's object for the window says: where it is, which window inside it
    // has the focus, how to give it the focus, and everything of the windows inside it.
    STDMETHODIMP accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight, VARIANT varChild) override {
        return Forward(&IAccessible::accLocation, pxLeft, pyTop, pcxWidth, pcyHeight, varChild);
    }
    STDMETHODIMP get_accFocus(VARIANT* pvarChild) override { return Forward(&IAccessible::get_accFocus, pvarChild); }
    STDMETHODIMP accSelect(long flagsSelect, VARIANT varChild) override {
        return Forward(&IAccessible::accSelect, flagsSelect, varChild);
    }
    STDMETHODIMP get_accParent(IDispatch** ppdispParent) override {
        return Forward(&IAccessible::get_accParent, ppdispParent);
    }
    STDMETHODIMP get_accChildCount(long* pcountChildren) override {
        return Forward(&IAccessible::get_accChildCount, pcountChildren);
    }
    STDMETHODIMP get_accChild(VARIANT varChild, IDispatch** ppdispChild) override {
        return Forward(&IAccessible::get_accChild, varChild, ppdispChild);
    }
    // A window described this way has no value, help, keyboard shortcut or selection to tell of.
    STDMETHODIMP get_accValue(VARIANT, BSTR* pszValue) override { return Nothing(pszValue); }
    STDMETHODIMP get_accHelp(VARIANT, BSTR* pszHelp) override { return Nothing(pszHelp); }
    STDMETHODIMP get_accHelpTopic(BSTR* pszHelpFile, VARIANT, long*) override { return Nothing(pszHelpFile); }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* pszKeyboardShortcut) override {
        return Nothing(pszKeyboardShortcut);
    }
    STDMETHODIMP get_accSelection(VARIANT* pvarChildren) override {
        if (!pvarChildren) return E_POINTER;
        pvarChildren->vt = VT_EMPTY;
        return S_FALSE;
    }
    STDMETHODIMP accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) override {
        return Forward(&IAccessible::accNavigate, navDir, varStart, pvarEndUpAt);
    }
    STDMETHODIMP accHitTest(long xLeft, long yTop, VARIANT* pvarChild) override {
        return Forward(&IAccessible::accHitTest, xLeft, yTop, pvarChild);
    }
    // Setting a name or value is not offered (and long deprecated).
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~CAccessibleObject() = default;

    static HRESULT Nothing(BSTR* pOut) {
        if (!pOut) return E_POINTER;
        *pOut = nullptr;
        return S_FALSE;
    }
    // One of the source's texts for a client; a disconnected object, or a source that throws, has
    // nothing to say.
    HRESULT Say(CString (qv::IAccessibleSource::*text)() const, BSTR* pOut);
    // The system's object for the window, made at the first call that needs it: S_OK with it, or
    // what to answer instead.
    HRESULT Standard(IAccessible** ppStandard);
    // Passes a call on to the system's object. Clients pass null pointers for outputs at times:
    // the system's object checks them.
    template <typename... Params, typename... Args>
    HRESULT Forward(HRESULT (STDMETHODCALLTYPE IAccessible::*method)(Params...), Args... args) {
        IAccessible* pStandard = nullptr;
        const HRESULT hr = Standard(&pStandard);
        return hr == S_OK ? (pStandard->*method)(args...) : hr;
    }

    HWND m_hWnd;
    qv::IAccessibleSource* m_pSource;
    ComPtr<IAccessible> m_pStandard;
};

HRESULT CAccessibleObject::Say(CString (qv::IAccessibleSource::*text)() const, BSTR* pOut) {
    if (!pOut) return E_POINTER;
    *pOut = nullptr;
    if (!m_pSource) return RPC_E_DISCONNECTED;
    return CallWithoutThrowing(
        __FILE__, __LINE__, [&] { return ToBstr((m_pSource->*text)(), pOut); }, [] { return E_FAIL; });
}

HRESULT CAccessibleObject::Standard(IAccessible** ppStandard) {
    if (!m_hWnd) return RPC_E_DISCONNECTED;
    if (!m_pStandard) {
        const auto create = Oleacc().Find<decltype(&::CreateStdAccessibleObject)>("CreateStdAccessibleObject");
        if (!create || FAILED(create(m_hWnd, OBJID_CLIENT, IID_PPV_ARGS(&m_pStandard)))) return S_FALSE;
    }
    *ppStandard = m_pStandard.Get();
    return S_OK;
}

STDMETHODIMP CAccessibleObject::accDoDefaultAction(VARIANT varChild) {
    if (!IsSelf(varChild)) return Forward(&IAccessible::accDoDefaultAction, varChild);
    if (!m_pSource) return RPC_E_DISCONNECTED;
    return CallWithoutThrowing(
        __FILE__, __LINE__,
        [&] {
            if (m_pSource->DefaultActionName().IsEmpty()) return DISP_E_MEMBERNOTFOUND;
            m_pSource->DoDefaultAction();
            return S_OK;
        },
        [] { return E_FAIL; });
}

STDMETHODIMP CAccessibleObject::get_accState(VARIANT varChild, VARIANT* pvarState) {
    if (!IsSelf(varChild)) return Forward(&IAccessible::get_accState, varChild, pvarState);
    if (!pvarState) return E_POINTER;
    if (!m_hWnd) return RPC_E_DISCONNECTED;
    long state = 0;
    if (!::IsWindowVisible(m_hWnd)) state |= STATE_SYSTEM_INVISIBLE;
    if (!::IsWindowEnabled(m_hWnd)) state |= STATE_SYSTEM_UNAVAILABLE;
    if (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_TABSTOP) state |= STATE_SYSTEM_FOCUSABLE;
    if (::GetFocus() == m_hWnd) state |= STATE_SYSTEM_FOCUSED;
    SetLong(pvarState, state);
    return S_OK;
}

namespace qv {

bool CAccessibleWindow::Attach(HWND hWnd, IAccessibleSource* pSource) {
    Detach();
    if (!hWnd || !pSource || !::SetWindowSubclass(hWnd, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hWnd = hWnd;
    m_pSource = pSource;
    return true;
}

void CAccessibleWindow::Detach() {
    if (m_pObject) {
        m_pObject->Disconnect();
        // Programs in other processes hold it through COM: they are let go of at once.
        ::CoDisconnectObject(static_cast<IAccessible*>(m_pObject), 0);
        m_pObject->Release();
        m_pObject = nullptr;
    }
    if (m_hWnd) ::RemoveWindowSubclass(m_hWnd, &SubclassProc, kSubclassId);
    m_hWnd = nullptr;
    m_pSource = nullptr;
}

void CAccessibleWindow::NotifyNameChange() const {
    if (m_hWnd) ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

LRESULT CAccessibleWindow::OnGetObject(WPARAM wParam, LPARAM lParam) {
    const auto lresultFromObject = Oleacc().Find<decltype(&::LresultFromObject)>("LresultFromObject");
    // Other objects (the window's frame, UI Automation's root) are the system's to give.
    if (static_cast<LONG>(lParam) != OBJID_CLIENT || !lresultFromObject)
        return ::DefSubclassProc(m_hWnd, WM_GETOBJECT, wParam, lParam);
    if (!m_pObject) {
        m_pObject = new CAccessibleObject(m_hWnd, m_pSource);
        m_pObject->AddRef();
    }
    return lresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(m_pObject));
}

LRESULT CALLBACK CAccessibleWindow::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR data) {
    auto* self = reinterpret_cast<CAccessibleWindow*>(data);
    if (message == WM_GETOBJECT)
        return CallWithoutThrowing(
            __FILE__, __LINE__, [&] { return self->OnGetObject(wParam, lParam); }, [] { return LRESULT{0}; });
    if (message == WM_NCDESTROY) self->Detach();
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}

}  // namespace qv
