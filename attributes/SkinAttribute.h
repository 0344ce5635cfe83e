// Skin objects: the description of how one class of skinned control looks, published as
// attributes. The base class gives every skin object its class name (the read-only attribute
// "类名字"), one font shared by all of them, an entry in the process-wide registry and access
// to an optional skin store.
#pragma once

#include "attributes/Attribute.h"
#include "platform/Gdi.h"

inline constexpr int SKIN_CLASS_NAME_LEN = 32;
inline constexpr int SKIN_REGISTRY_SIZE = 64;

inline constexpr GUID IID_ISkinObject = {
    0xBD02B27D, 0x7274, 0x46A5, {0x82, 0x7B, 0xC4, 0x49, 0x83, 0xFE, 0x8B, 0x66}};

class ISkinObject : public IObject {
public:
    virtual const char* GetClassName() = 0;
    virtual HFONT GetFont() = 0;
    virtual bool SaveToStore() = 0;
    virtual bool LoadFromStore() = 0;

protected:
    ~ISkinObject() = default;
};

// Where skin objects keep their attribute values, keyed by class name and attribute name.
class ISkinStore : public IObject {
public:
    virtual DWORD GetDword(const char* className, const char* attrName, DWORD defaultValue) = 0;
    virtual bool SetDword(const char* className, const char* attrName, DWORD value) = 0;
    virtual bool SetString(const char* className, const char* attrName, const char* text) = 0;

protected:
    ~ISkinStore() = default;
};

class CSkinAttribute : public ISkinObject, public CAttributeSet {
public:
    ~CSkinAttribute() override;

    // One Release, validity check and interface lookup for all three interfaces.
    bool IsValid() override;
    bool Release() override;
    void* QueryInterface(const GUID& iid, DWORD version) override;

    const char* GetClassName() override { return m_szClassName; }
    HFONT GetFont() override;

protected:
    // className must not be null; a longer one is cut to 31 bytes.
    explicit CSkinAttribute(const char* className);

    DWORD LoadDwordFromStore(const char* attrName, DWORD defaultValue);
    bool SaveDwordToStore(const char* attrName, DWORD value);
    bool SaveStringToStore(const char* attrName, const char* text);

private:
    char m_szClassName[SKIN_CLASS_NAME_LEN];
};

// The shared skin font, created by the first skin object. It is constructed before any other
// static object, so a static skin object in any unit finds it ready.
extern CFont g_skinFont;

// The live skin objects, packed from index 0; the first null entry ends the list.
extern ISkinObject* g_skinRegistry[SKIN_REGISTRY_SIZE];
extern bool g_bSkinRegistryInit;

// The attached skin store, or null.
extern ISkinStore* g_pSkinStore;

bool RegisterSkinObject(IObject* pObject);
bool UnregisterSkinObject(IObject* pObject);
