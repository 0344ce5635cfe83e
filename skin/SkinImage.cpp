#include "skin/SkinImage.h"

bool CSkinImage::SetSource(UINT nResourceId, HINSTANCE hModule, bool bPinned) {
    int nReferences = m_nRefCount;
    const bool bWasPinned = m_bPinned;
    Destroy();
    m_nRefCount = 0;
    m_bPinned = bPinned;
    m_strFileName.Empty();
    m_nResourceId = nResourceId;
    m_hModule = hModule;
    // Outstanding holders keep their references, now on the new bitmap; only the image's own
    // pinned reference follows the new flag.
    if (bWasPinned) --nReferences;
    if (bPinned) ++nReferences;
    for (int i = 0; i < nReferences; ++i) AddRef();
    return true;
}

int CSkinImage::AddRef() {
    if (m_nRefCount != 0) return ++m_nRefCount;
    if (m_hModule) {
        Attach(static_cast<HBITMAP>(::LoadImageW(m_hModule, MAKEINTRESOURCEW(GetResourceId()),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    } else {
        Load(m_strFileName);
    }
    if (IsNull()) return 0;
    return m_nRefCount = 1;
}

int CSkinImage::Release() {
    if (m_nRefCount > 0) --m_nRefCount;
    if (m_nRefCount == 0 && !IsNull()) Destroy();
    return m_nRefCount;
}

CSkinImageRef::CSkinImageRef(CSkinImage* pImage) {
    if (pImage && pImage->AddRef() > 0) m_pImage = pImage;
}

bool CSkinImageRef::Reset() {
    if (!m_pImage) return false;
    m_pImage->Release();
    m_pImage = nullptr;
    return true;
}

bool CSkinImageRef::Attach(IRefCounted* p) {
    Reset();
    auto* pImage = dynamic_cast<CSkinImage*>(p);
    if (!pImage || pImage->AddRef() <= 0) return false;
    m_pImage = pImage;
    return true;
}
