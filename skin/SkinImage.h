// The image skinned controls draw from. It remembers where its bitmap comes from and keeps the
// bitmap loaded only while references are held: the first AddRef loads it, the last Release
// frees it. Controls hold a reference for one paint through CSkinImageRef.
#pragma once

#include <windows.h>

#include "platform/Image.h"
#include "platform/String.h"

class IRefCounted {
public:
    virtual int AddRef() = 0;
    virtual int Release() = 0;
    virtual int GetRefCount() = 0;

protected:
    ~IRefCounted() = default;
};

class CSkinImage : public CImage, public IRefCounted {
public:
    CSkinImage() = default;

    // Switches to bitmap resource nResourceId of hModule; with hModule null the source is the
    // image file m_strFileName, which this empties. References outstanding stay valid and now
    // hold the new bitmap. A pinned source keeps one reference of its own, so its bitmap stays
    // loaded. Always true.
    bool SetSource(UINT nResourceId, HINSTANCE hModule, bool bPinned);
    bool HasSource() const { return m_hModule != nullptr || !m_strFileName.IsEmpty(); }
    // The resource source: the module (null for a file source) and the resource id within it.
    // Resource ids are 16-bit; the upper bits of a larger id are not part of the name.
    HINSTANCE GetModule() const { return m_hModule; }
    UINT GetResourceId() const { return LOWORD(m_nResourceId); }

    // The new count; 0 when the bitmap could not be loaded (the count then stays 0).
    int AddRef() override;
    int Release() override;
    int GetRefCount() override { return m_nRefCount; }

private:
    int m_nRefCount = 0;
    bool m_bPinned = false;
    UINT m_nResourceId = 0;
    CString m_strFileName;
    HINSTANCE m_hModule = nullptr;
};

// Holds one reference on a skin image for as long as it lives.
class CSkinImageRef {
public:
    explicit CSkinImageRef(CSkinImage* pImage = nullptr);
    CSkinImageRef(const CSkinImageRef&) = delete;
    CSkinImageRef& operator=(const CSkinImageRef&) = delete;

    virtual bool IsAttached() const { return m_pImage != nullptr; }
    virtual bool HasBitmap() const { return m_pImage != nullptr && !m_pImage->IsNull(); }
    // Releases the image held; false when there was none.
    virtual bool Reset();
    // Lets go of the image held, then takes a reference on p; false when p is null, is not a skin
    // image or cannot load its bitmap.
    virtual bool Attach(IRefCounted* p);
    virtual ~CSkinImageRef() { Reset(); }

    CSkinImage* operator->() const { return m_pImage; }

private:
    CSkinImage* m_pImage = nullptr;
};
