#include "attributes/SkinAttribute.h"

#include <cstring>

#include "platform/Debug.h"
#include "platform/String.h"

// Before every default-priority static object, whatever order the linker gives the units: a
// static skin object elsewhere creates the font into it during its own construction.
CFont g_skinFont __attribute__((init_priority(200)));

ISkinObject* g_skinRegistry[SKIN_REGISTRY_SIZE];
bool g_bSkinRegistryInit = false;
ISkinStore* g_pSkinStore = nullptr;

namespace {

constexpr int kSkinFontPixels = 12;

// The root interface, as the attribute-set part answers it.
IObject* RootOf(CAttributeSet* pSet) {
    return static_cast<IObject*>(pSet->CAttributeSet::QueryInterface(IID_IObject, ATTR_INTERFACE_VERSION));
}

ISkinObject* SkinObjectOf(IObject* pObject) {
    return static_cast<ISkinObject*>(pObject->QueryInterface(IID_ISkinObject, ATTR_INTERFACE_VERSION));
}

}  // namespace

CSkinAttribute::CSkinAttribute(const char* className) {
    ASSERT(className != nullptr);
    lstrcpynA(m_szClassName, className ? className : "", SKIN_CLASS_NAME_LEN);
    // A cut may split a double-byte character; drop its lead byte so the name stays valid 936.
    const bool bCut = className && std::strlen(m_szClassName) == SKIN_CLASS_NAME_LEN - 1 &&
                      className[SKIN_CLASS_NAME_LEN - 1] != '\0';
    if (bCut) {
        int i = 0;
        while (i < SKIN_CLASS_NAME_LEN - 1)
            i += IsGbkLeadByte(static_cast<unsigned char>(m_szClassName[i])) ? 2 : 1;
        if (i > SKIN_CLASS_NAME_LEN - 1) m_szClassName[SKIN_CLASS_NAME_LEN - 2] = '\0';
    }

    AddAttribute("类名字", static_cast<void*>(m_szClassName), true);

    if (!g_skinFont.GetSafeHandle()) {
        // A negative height asks for the character's height, not the cell's.
        g_skinFont.CreateFont(-kSkinFontPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                              OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH, "宋体");
    }

    if (!g_bSkinRegistryInit) {
        g_bSkinRegistryInit = true;
        for (ISkinObject*& entry : g_skinRegistry) entry = nullptr;
    }

    IObject* pRoot = RootOf(this);
    ASSERT(pRoot != nullptr);
    RegisterSkinObject(pRoot);
}

CSkinAttribute::~CSkinAttribute() {
    IObject* pRoot = RootOf(this);
    ASSERT(pRoot != nullptr);
    UnregisterSkinObject(pRoot);
}

bool CSkinAttribute::IsValid() { return IsObjectAddressSound(this, alignof(CSkinAttribute)); }

bool CSkinAttribute::Release() {
    if (IsValid()) delete this;
    return true;
}

void* CSkinAttribute::QueryInterface(const GUID& iid, DWORD version) {
    if (IsSameIid(iid, IID_ISkinObject)) {
        return IsAcceptableVersion(version) ? static_cast<ISkinObject*>(this) : nullptr;
    }
    return CAttributeSet::QueryInterface(iid, version);
}

HFONT CSkinAttribute::GetFont() { return g_skinFont.GetSafeHandle(); }

DWORD CSkinAttribute::LoadDwordFromStore(const char* attrName, DWORD defaultValue) {
    if (!g_pSkinStore) return defaultValue;
    return g_pSkinStore->GetDword(static_cast<ISkinObject*>(this)->GetClassName(), attrName, defaultValue);
}

bool CSkinAttribute::SaveDwordToStore(const char* attrName, DWORD value) {
    if (!g_pSkinStore) return false;
    return g_pSkinStore->SetDword(static_cast<ISkinObject*>(this)->GetClassName(), attrName, value);
}

bool CSkinAttribute::SaveStringToStore(const char* attrName, const char* text) {
    if (!g_pSkinStore) return false;
    return g_pSkinStore->SetString(static_cast<ISkinObject*>(this)->GetClassName(), attrName, text);
}

bool RegisterSkinObject(IObject* pObject) {
    ASSERT(pObject != nullptr);
    if (!pObject) return false;
    ISkinObject* pSkin = SkinObjectOf(pObject);
    ASSERT(pSkin != nullptr);
    if (!pSkin) return false;

    for (ISkinObject*& entry : g_skinRegistry) {
        if (!entry) {
            entry = pSkin;
            return true;
        }
        if (entry == pSkin) {
            ASSERT(!"skin object registered twice");
            return false;
        }
    }
    ASSERT(!"skin registry full");
    return false;
}

bool UnregisterSkinObject(IObject* pObject) {
    ASSERT(pObject != nullptr);
    if (!pObject) return false;
    ISkinObject* pSkin = SkinObjectOf(pObject);
    ASSERT(pSkin != nullptr);
    if (!pSkin) return false;

    int found = -1;
    for (int i = 0; i < SKIN_REGISTRY_SIZE && g_skinRegistry[i]; ++i) {
        if (g_skinRegistry[i] == pSkin) {
            found = i;
            break;
        }
    }
    ASSERT(found >= 0);
    if (found < 0) return false;

    // Close the gap: the later entries move down one place and the last one copied is cleared.
    int last = found;
    for (int j = found + 1; j < SKIN_REGISTRY_SIZE && g_skinRegistry[j]; ++j) {
        g_skinRegistry[j - 1] = g_skinRegistry[j];
        last = j;
    }
    g_skinRegistry[last] = nullptr;
    return true;
}
