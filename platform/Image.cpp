#include "platform/Image.h"

#include <memory>
#include <string>

#include <gdiplus.h>

#include "platform/Gdi.h"
#include "platform/SystemLibrary.h"
#include "platform/Text.h"

namespace {

// GDI+ for the whole process: loaded from the system folder and started by the first file load,
// shut down and unloaded at exit only if it ever started, so programs that never load a file never
// pay for it. Not imported: gdiplus.dll is no known DLL, and an import would be looked for in the
// exe's folder first.
class CGdiplus {
public:
    // A bitmap made from the image file, or null.
    static HBITMAP LoadFile(const wchar_t* fileName) {
        static CGdiplus gdiplus;
        return gdiplus.m_bStarted ? gdiplus.Convert(fileName) : nullptr;
    }

    CGdiplus(const CGdiplus&) = delete;
    CGdiplus& operator=(const CGdiplus&) = delete;

private:
    CGdiplus() {
        const auto startup = m_library.Find<decltype(&Gdiplus::GdiplusStartup)>("GdiplusStartup");
        if (!startup || !m_shutdown || !m_createBitmapFromFile || !m_createHBitmap || !m_disposeImage) return;
        const Gdiplus::GdiplusStartupInput input;
        m_bStarted = startup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~CGdiplus() {
        if (m_bStarted) m_shutdown(m_token);
    }

    HBITMAP Convert(const wchar_t* fileName) const {
        Gdiplus::GpBitmap* pLoaded = nullptr;
        if (m_createBitmapFromFile(fileName, &pLoaded) != Gdiplus::Ok) return nullptr;
        const std::unique_ptr<Gdiplus::GpBitmap, decltype(m_disposeImage)> bitmap(pLoaded, m_disposeImage);
        HBITMAP hBitmap = nullptr;
        // Transparent areas of the file come out black, the usual backdrop for a keyed copy.
        return m_createHBitmap(bitmap.get(), &hBitmap, 0xFF000000) == Gdiplus::Ok ? hBitmap : nullptr;
    }

    // First member: loaded before the functions are looked up, unloaded after the shutdown.
    qv::CSystemLibrary m_library{L"gdiplus.dll"};
    const decltype(&Gdiplus::GdiplusShutdown) m_shutdown = m_library.Find<decltype(m_shutdown)>("GdiplusShutdown");
    const decltype(&Gdiplus::DllExports::GdipCreateBitmapFromFile) m_createBitmapFromFile =
        m_library.Find<decltype(m_createBitmapFromFile)>("GdipCreateBitmapFromFile");
    const decltype(&Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap) m_createHBitmap =
        m_library.Find<decltype(m_createHBitmap)>("GdipCreateHBITMAPFromBitmap");
    const decltype(&Gdiplus::DllExports::GdipDisposeImage) m_disposeImage =
        m_library.Find<decltype(m_disposeImage)>("GdipDisposeImage");
    ULONG_PTR m_token = 0;
    bool m_bStarted = false;
};

}  // namespace

void CImage::Attach(HBITMAP hBitmap) {
    Destroy();
    BITMAP header{};
    if (!hBitmap || ::GetObjectW(hBitmap, sizeof header, &header) == 0) return;
    m_hBitmap = hBitmap;
    m_nWidth = header.bmWidth;
    m_nHeight = header.bmHeight < 0 ? -header.bmHeight : header.bmHeight;
}

HBITMAP CImage::Detach() {
    HBITMAP hBitmap = m_hBitmap;
    m_hBitmap = nullptr;
    m_nWidth = m_nHeight = 0;
    return hBitmap;
}

void CImage::Destroy() {
    if (HBITMAP hBitmap = Detach()) ::DeleteObject(hBitmap);
}

HRESULT CImage::Load(const char* fileName) {
    Destroy();
    const std::wstring wideName = qv::WideFromGbk(fileName);
    if (wideName.empty()) return E_FAIL;
    Attach(CGdiplus::LoadFile(wideName.c_str()));
    return IsNull() ? E_FAIL : S_OK;
}

BOOL CImage::TransparentBlt(HDC hDestDC, int xDest, int yDest, int nDestWidth, int nDestHeight, int xSrc,
                            int ySrc, int nSrcWidth, int nSrcHeight, UINT crTransparent) const {
    if (IsNull()) return FALSE;
    CDC source;
    if (!source.CreateCompatibleDC(hDestDC)) return FALSE;
    source.SelectObject(m_hBitmap);
    return ::GdiTransparentBlt(hDestDC, xDest, yDest, nDestWidth, nDestHeight, source, xSrc, ySrc,
                               nSrcWidth, nSrcHeight, crTransparent);
}
