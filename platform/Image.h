// An image object around one bitmap handle, which it owns: attach a loaded bitmap or load an
// image file (through GDI+, from the system folder), read its size, draw part of it with a
// transparent key colour.
#pragma once

#include <windows.h>

class CImage {
public:
    CImage() = default;
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;
    virtual ~CImage() { Destroy(); }

    // Takes ownership of hBitmap; a bitmap held before is destroyed first.
    void Attach(HBITMAP hBitmap);
    // Gives up ownership and returns the handle (null when empty).
    HBITMAP Detach();
    void Destroy();

    bool IsNull() const { return m_hBitmap == nullptr; }
    operator HBITMAP() const { return m_hBitmap; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

    // Loads an image file (BMP, PNG, JPEG, GIF ...) named in code page 936, replacing the bitmap
    // held before. GDI+ is started on the first call and shut down when the process exits.
    // S_OK, or E_FAIL with the image left empty.
    HRESULT Load(const char* fileName);

    // Copies the source rectangle, scaled to the destination rectangle, leaving out source pixels
    // of colour crTransparent.
    BOOL TransparentBlt(HDC hDestDC, int xDest, int yDest, int nDestWidth, int nDestHeight, int xSrc,
                        int ySrc, int nSrcWidth, int nSrcHeight, UINT crTransparent) const;

private:
    HBITMAP m_hBitmap = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
};
