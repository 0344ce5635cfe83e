#include "attributes/Attribute.h"

#include <type_traits>

#include "platform/Debug.h"

int HashAttributeName(const char* name) {
    ASSERT(name != nullptr);
    CString lower(name);
    lower.MakeLower();
    // Unsigned arithmetic: the bits shifted past bit 31 are simply lost.
    std::uint32_t h = 0;
    for (const char* p = lower; *p; ++p) {
        const auto c = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*p)));
        h = (h ^ c) << 1;
    }
    return static_cast<int>(h);
}

// ---- CAttribute -----------------------------------------------------------------------------

CAttribute::CAttribute(const char* name, void* pValue, bool bReadOnly, int nType)
    : m_bReadOnly(bReadOnly),
      m_nNameHash(name ? HashAttributeName(name) : 0),
      m_strName(name),
      m_pValue(pValue),
      m_nType(nType) {
    ASSERT(name != nullptr);
}

bool CAttribute::IsValid() { return IsObjectAddressSound(this, alignof(CAttribute)); }

bool CAttribute::Release() {
    if (IsValid()) delete this;
    return true;
}

void* CAttribute::QueryInterface(const GUID& iid, DWORD version) {
    if (!IsAcceptableVersion(version)) return nullptr;
    if (IsSameIid(iid, IID_IAttribute)) return static_cast<IAttribute*>(this);
    if (IsSameIid(iid, IID_IObject)) return static_cast<IObject*>(this);
    return nullptr;
}

// The type's zero for a refused read.
template <class T>
static void SetZero(T& out) {
    out = T();
}
static void SetZero(CString& out) { out.Empty(); }

template <class T>
bool CAttribute::Read(int nType, T& out) {
    if (m_nType != nType) {
        ASSERT(!"attribute read with the wrong type");
        SetZero(out);
        return false;
    }
    if constexpr (std::is_same<T, void*>::value)
        out = m_pValue;
    else
        out = *static_cast<const T*>(m_pValue);
    return true;
}

bool CAttribute::GetValue(CString& out) { return Read(ATTR_TYPE_STRING, out); }
bool CAttribute::GetValue(double& out) { return Read(ATTR_TYPE_DOUBLE, out); }
bool CAttribute::GetValue(DWORD& out) { return Read(ATTR_TYPE_DWORD, out); }
bool CAttribute::GetValue(long& out) { return Read(ATTR_TYPE_LONG, out); }
bool CAttribute::GetValue(WORD& out) { return Read(ATTR_TYPE_WORD, out); }
bool CAttribute::GetValue(BYTE& out) { return Read(ATTR_TYPE_BYTE, out); }
bool CAttribute::GetValue(int& out) { return Read(ATTR_TYPE_INT, out); }
bool CAttribute::GetValue(void*& out) { return Read(ATTR_TYPE_POINTER, out); }

template <class T, class V>
bool CAttribute::Write(int nType, V value) {
    ASSERT(m_nType == nType);
    if (m_bReadOnly) {
        ASSERT(!"write to a read-only attribute");
        return false;
    }
    if (m_nType != nType) return false;
    if constexpr (std::is_same<T, void*>::value)
        m_pValue = value;  // the held pointer is the value itself
    else
        *static_cast<T*>(m_pValue) = value;
    return true;
}

bool CAttribute::SetValue(const char* value) { return Write<CString>(ATTR_TYPE_STRING, value); }
bool CAttribute::SetValue(double value) { return Write<double>(ATTR_TYPE_DOUBLE, value); }
bool CAttribute::SetValue(DWORD value) { return Write<DWORD>(ATTR_TYPE_DWORD, value); }
bool CAttribute::SetValue(long value) { return Write<long>(ATTR_TYPE_LONG, value); }
bool CAttribute::SetValue(WORD value) { return Write<WORD>(ATTR_TYPE_WORD, value); }
bool CAttribute::SetValue(BYTE value) { return Write<BYTE>(ATTR_TYPE_BYTE, value); }
bool CAttribute::SetValue(int value) { return Write<int>(ATTR_TYPE_INT, value); }
bool CAttribute::SetValue(void* value) { return Write<void*>(ATTR_TYPE_POINTER, value); }

bool CAttribute::GetText(CString& out) {
    switch (m_nType) {
    case ATTR_TYPE_INT: out.Format("%d", *static_cast<const int*>(m_pValue)); return true;
    case ATTR_TYPE_BYTE: out.Format("%d", static_cast<int>(*static_cast<const BYTE*>(m_pValue))); return true;
    case ATTR_TYPE_WORD:
        out.Format("%u", static_cast<unsigned>(*static_cast<const WORD*>(m_pValue)));
        return true;
    case ATTR_TYPE_LONG: out.Format("%ld", *static_cast<const long*>(m_pValue)); return true;
    case ATTR_TYPE_DWORD:
        out.Format("%lu", static_cast<unsigned long>(*static_cast<const DWORD*>(m_pValue)));
        return true;
    case ATTR_TYPE_DOUBLE: out.Format("%f", *static_cast<const double*>(m_pValue)); return true;
    case ATTR_TYPE_STRING: out = *static_cast<const CString*>(m_pValue); return true;
    default:
        ASSERT(!"attribute without a text form");
        return false;
    }
}

// ---- CAttributeSet --------------------------------------------------------------------------

bool CAttributeSet::IsValid() { return IsObjectAddressSound(this, alignof(CAttributeSet)); }

bool CAttributeSet::Release() {
    if (IsValid()) delete this;
    return true;
}

void* CAttributeSet::QueryInterface(const GUID& iid, DWORD version) {
    if (!IsAcceptableVersion(version)) return nullptr;
    if (IsSameIid(iid, IID_IAttributeBinder)) return static_cast<IAttributeBinder*>(this);
    if (IsSameIid(iid, IID_IAttributeAccess)) return static_cast<IAttributeAccess*>(this);
    if (IsSameIid(iid, IID_IObject)) return static_cast<IObject*>(static_cast<IAttributeBinder*>(this));
    return nullptr;
}

int CAttributeSet::IndexOf(const char* name) {
    ASSERT(name != nullptr);
    if (!name) return -1;
    const int nCount = m_attributes.GetSize();
    if (nCount == 0) return -1;
    const int nHash = HashAttributeName(name);
    for (int i = 0; i < nCount; ++i) {
        IAttribute* pAttribute = &m_attributes.ElementAt(i);
        if (pAttribute->GetNameHash() == nHash && lstrcmpA(name, pAttribute->GetName()) == 0) return i;
    }
    return -1;
}

IAttribute* CAttributeSet::FindAttribute(const char* name) {
    const int nIndex = IndexOf(name);
    return nIndex < 0 ? nullptr : &m_attributes.ElementAt(nIndex);
}

IAttribute* CAttributeSet::GetAttributeAt(WORD index) {
    if (index >= m_attributes.GetSize()) return nullptr;
    return &m_attributes.ElementAt(index);
}

bool CAttributeSet::Add(const char* name, void* pValue, bool bReadOnly, int nType) {
    // The lookup reports a null name; such a name is never hashed or copied.
    if (static_cast<IAttributeAccess*>(this)->FindAttribute(name) || !name) return false;
    const CAttribute attribute(name, pValue, bReadOnly, nType);
    m_attributes.SetAtGrow(m_attributes.GetSize(), attribute);
    return true;
}

bool CAttributeSet::RemoveAttribute(const char* name) {
    const int nIndex = IndexOf(name);
    if (nIndex < 0) return false;
    m_attributes.RemoveAt(nIndex, 1);
    return true;
}
