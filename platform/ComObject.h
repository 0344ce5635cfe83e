// The reference counting a COM object made with new needs, written once for every such object here.
#pragma once

#include <oaidl.h>

namespace qv {

// One count for all the interfaces the object implements; the last Release deletes it. The count
// starts at nought: whoever takes the object first, a smart pointer or its maker, adds the first
// reference.
template <class... Interfaces>
class CComObject : public Interfaces... {
public:
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRefs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG refs = --m_nRefs;
        if (refs == 0) delete this;
        return refs;
    }

protected:
    CComObject() = default;
    virtual ~CComObject() = default;

private:
    ULONG m_nRefs = 0;
};

// IDispatch for clients that call the interfaces themselves: no type information and no names, so
// Invoke, where the object has one, is reached by dispatch id alone.
template <class... Interfaces>
class CDispatchObject : public CComObject<Interfaces...> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo) return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo) *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

}  // namespace qv
