#include "platform/Image.h"

#include <string>

#include <gdiplus.h>

#include "platform/Gdi.h"
#include "platform/Text.h"

namespace {

// GDI+ for the whole process: started by the first file load, shut down at exit only if it ever
// started, so programs that never load a file never pay for it.
class CGdiplusSession {
public:
    static bool Ensure() {
        static CGdiplusSession session;
        return session.m_bStarted;
    }

    CGdiplusSession(const CGdiplusSession&) = delete;
    CGdiplusSession& operator=(const CGdiplusSession&) = delete;

private:
    CGdiplusSession() {
        const Gdiplus::GdiplusStartupInput input;
        m_bStarted = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~CGdiplusSession() {
        if (m_bStarted) Gdiplus::GdiplusShutdown(m_token);
    }

    ULONG_PTR m_token = 0;
    bool m_bStarted = false;
};

// Owns a GDI+ bitmap until the end of the scope.
class CGdiplusBitmap {
public:
    explicit CGdiplusBitmap(const wchar_t* fileName) {
        if (Gdiplus::DllExports::GdipCreateBitmapFromFile(fileName, &m_pBitmap) != Gdiplus::Ok)
            m_pBitmap = nullptr;
    }
    ~CGdiplusBitmap() {
        if (m_pBitmap) Gdiplus::DllExports::GdipDisposeImage(m_pBitmap);
    }
    CGdiplusBitmap(const CGdiplusBitmap&) = delete;
    CGdiplusBitmap& operator=(const CGdiplusBitmap&) = delete;

    HBITMAP CreateHBitmap() const {
        HBITMAP hBitmap = nullptr;
        // Transparent areas of the file come out black, the usual backdrop for a keyed copy.
        if (!m_pBitmap ||
            Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(m_pBitmap, &hBitmap, 0xFF000000) != Gdiplus::Ok)
            return nullptr;
        return hBitmap;
    }

private:
    Gdiplus::GpBitmap* m_pBitmap = nullptr;
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
    if (wideName.empty() || !CGdiplusSession::Ensure()) return E_FAIL;
    Attach(CGdiplusBitmap(wideName.c_str()).CreateHBitmap());
    return IsNull() ? E_FAIL : S_OK;
}

BOOL CImage::TransparentBlt(HDC hDestDC, int xDest, int yDest, int nDestWidth, int nDestHeight, int xSrc,
                            int ySrc, int nSrcWidth, int nSrcHeight, UINT crTransparent) const {
    if (IsNull()) return FALSE;
    CDC source;
    if (!source.CreateCompatibleDC(hDestDC)) return FALSE;
    source.SelectObject(m_hBitmap);
    return ::TransparentBlt(hDestDC, xDest, yDest, nDestWidth, nDestHeight, source, xSrc, ySrc,
                            nSrcWidth, nSrcHeight, crTransparent);
}
