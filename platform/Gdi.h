// GDI wrappers: each object owns its handle and deletes it once; device contexts give back the
// objects they had selected before they are deleted or released.
#pragma once

#include <windows.h>

class CGdiObject {
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();

protected:
    HGDIOBJ m_hObject = nullptr;
};

class CFont : public CGdiObject {
public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    HFONT GetSafeHandle() const { return static_cast<HFONT>(m_hObject); }

    // faceName is a code page 936 text, like every text of the tool.
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                    BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                    BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality,
                    BYTE nPitchAndFamily, const char* faceName);
    // nPointSize in tenths of a point, in pixels of a display at dpi.
    BOOL CreatePointFont(int nPointSize, const char* faceName, UINT dpi);
    // A copy of hFont, a font made for 96 DPI, with its height scaled to dpi.
    BOOL CreateScaledCopy(HFONT hFont, UINT dpi);
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }

    int GetBitmap(BITMAP* pBitmap) const;
};

// An icon made for this program alone (not a shared one): destroyed with the object.
class CIcon {
public:
    CIcon() = default;
    CIcon(const CIcon&) = delete;
    CIcon& operator=(const CIcon&) = delete;
    ~CIcon() { Destroy(); }

    operator HICON() const { return m_hIcon; }
    // Takes ownership of hIcon; an icon held before is destroyed first.
    void Attach(HICON hIcon) {
        Destroy();
        m_hIcon = hIcon;
    }
    // Gives up ownership and returns the icon (null when empty).
    HICON Detach() {
        const HICON hIcon = m_hIcon;
        m_hIcon = nullptr;
        return hIcon;
    }
    void Destroy() {
        if (m_hIcon) ::DestroyIcon(m_hIcon);
        m_hIcon = nullptr;
    }

private:
    HICON m_hIcon = nullptr;
};

class CBrush : public CGdiObject {
public:
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    BOOL CreateSolidBrush(COLORREF color);
};

class CDC {
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() { DeleteDC(); }

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    BOOL CreateCompatibleDC(HDC hdc);
    BOOL DeleteDC();
    // Wraps a context owned elsewhere (a draw-item record's); the wrapper never deletes it.
    void AttachBorrowed(HDC hdc);

    HGDIOBJ SelectObject(const CGdiObject& object);
    HGDIOBJ SelectObject(HGDIOBJ object);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, HDC hSrc, int xSrc, int ySrc, DWORD rop) const;
    BOOL TransparentBlt(int x, int y, int nWidth, int nHeight, HDC hSrc, int xSrc, int ySrc,
                        int nSrcWidth, int nSrcHeight, UINT crTransparent) const;
    COLORREF SetTextColor(COLORREF color) const { return ::SetTextColor(m_hDC, color); }
    int SetBkMode(int mode) const { return ::SetBkMode(m_hDC, mode); }
    // text is code page 936; drawn through the wide call so it shows right on any system code page.
    int DrawText(const char* text, RECT* rect, UINT format) const;
    void FillSolidRect(const RECT& rect, COLORREF color) const;
    void Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight) const;
    BOOL DrawIcon(int x, int y, HICON hIcon) const { return ::DrawIcon(m_hDC, x, y, hIcon); }

protected:
    // Restores what the context had selected when it was made, so our objects can be deleted.
    void RestoreSelections();

    HDC m_hDC = nullptr;
    bool m_bOwned = false;
    HGDIOBJ m_hOriginalBitmap = nullptr;
    HGDIOBJ m_hOriginalFont = nullptr;
    HGDIOBJ m_hOriginalBrush = nullptr;
    HGDIOBJ m_hOriginalPen = nullptr;
};

// The context of one WM_PAINT: BeginPaint at construction, EndPaint at destruction.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND hWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// A window's client-area context: GetDC at construction, ReleaseDC at destruction.
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
