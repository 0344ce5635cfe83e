#include "platform/Gdi.h"

#include "platform/Dpi.h"
#include "platform/Text.h"

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    DeleteObject();
    m_hObject = hObject;
    return hObject != nullptr;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ hObject = m_hObject;
    m_hObject = nullptr;
    return hObject;
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    const BOOL ok = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return ok;
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                       BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                       BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality,
                       BYTE nPitchAndFamily, const char* faceName) {
    const std::wstring face = qv::WideFromGbk(faceName);
    return Attach(::CreateFontW(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic,
                                bUnderline, cStrikeOut, nCharSet, nOutPrecision, nClipPrecision,
                                nQuality, nPitchAndFamily, face.c_str()));
}

BOOL CFont::CreatePointFont(int nPointSize, const char* faceName, UINT dpi) {
    LOGFONTW lf{};
    // Tenths of a point to pixels, as a character height (negative).
    lf.lfHeight = -::MulDiv(nPointSize, static_cast<int>(dpi), 720);
    lf.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = qv::WideFromGbk(faceName);
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return Attach(::CreateFontIndirectW(&lf));
}

BOOL CFont::CreateScaledCopy(HFONT hFont, UINT dpi) {
    LOGFONTW lf{};
    if (!hFont || !::GetObjectW(hFont, sizeof lf, &lf)) return Attach(nullptr);
    lf.lfHeight = qv::ScaleToDpi(lf.lfHeight, dpi);
    return Attach(::CreateFontIndirectW(&lf));
}

int CBitmap::GetBitmap(BITMAP* pBitmap) const {
    return ::GetObjectW(m_hObject, sizeof(BITMAP), pBitmap);
}

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }

BOOL CDC::CreateCompatibleDC(HDC hdc) {
    DeleteDC();
    m_hDC = ::CreateCompatibleDC(hdc);
    m_bOwned = m_hDC != nullptr;
    return m_bOwned;
}

void CDC::AttachBorrowed(HDC hdc) {
    DeleteDC();
    m_hDC = hdc;
    m_bOwned = false;
}

void CDC::RestoreSelections() {
    HGDIOBJ* originals[] = {&m_hOriginalBitmap, &m_hOriginalFont, &m_hOriginalBrush, &m_hOriginalPen};
    for (HGDIOBJ* original : originals) {
        if (*original) ::SelectObject(m_hDC, *original);
        *original = nullptr;
    }
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    RestoreSelections();
    const BOOL ok = m_bOwned ? ::DeleteDC(m_hDC) : TRUE;
    m_hDC = nullptr;
    m_bOwned = false;
    return ok;
}

HGDIOBJ CDC::SelectObject(const CGdiObject& object) { return SelectObject(object.GetSafeHandle()); }

HGDIOBJ CDC::SelectObject(HGDIOBJ object) {
    if (!m_hDC || !object) return nullptr;
    HGDIOBJ previous = ::SelectObject(m_hDC, object);
    HGDIOBJ* original = nullptr;
    switch (::GetObjectType(object)) {
        case OBJ_BITMAP: original = &m_hOriginalBitmap; break;
        case OBJ_FONT: original = &m_hOriginalFont; break;
        case OBJ_BRUSH: original = &m_hOriginalBrush; break;
        case OBJ_PEN: original = &m_hOriginalPen; break;
        default: break;
    }
    if (original && !*original) *original = previous;
    return previous;
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, HDC hSrc, int xSrc, int ySrc, DWORD rop) const {
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, hSrc, xSrc, ySrc, rop);
}

BOOL CDC::TransparentBlt(int x, int y, int nWidth, int nHeight, HDC hSrc, int xSrc, int ySrc,
                         int nSrcWidth, int nSrcHeight, UINT crTransparent) const {
    // gdi32's own export of the keyed copy: msimg32, where TransparentBlt lives, is no known DLL.
    return ::GdiTransparentBlt(m_hDC, x, y, nWidth, nHeight, hSrc, xSrc, ySrc, nSrcWidth, nSrcHeight,
                               crTransparent);
}

int CDC::DrawText(const char* text, RECT* rect, UINT format) const {
    std::wstring wide = qv::WideFromGbk(text);
    return ::DrawTextW(m_hDC, wide.c_str(), static_cast<int>(wide.size()), rect, format);
}

void CDC::FillSolidRect(const RECT& rect, COLORREF color) const {
    const COLORREF previous = ::SetBkColor(m_hDC, color);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, previous);
}

void CDC::Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight) const {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    FillSolidRect({rect.left, rect.top, rect.left + width - 1, rect.top + 1}, topLeft);
    FillSolidRect({rect.left, rect.top, rect.left + 1, rect.top + height - 1}, topLeft);
    FillSolidRect({rect.left + width - 1, rect.top, rect.right, rect.bottom}, bottomRight);
    FillSolidRect({rect.left, rect.top + height - 1, rect.right, rect.bottom}, bottomRight);
}

CPaintDC::CPaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::BeginPaint(hWnd, &m_ps); }

CPaintDC::~CPaintDC() {
    RestoreSelections();
    ::EndPaint(m_hWnd, &m_ps);
    m_hDC = nullptr;
}

CClientDC::CClientDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::GetDC(hWnd); }

CClientDC::~CClientDC() {
    RestoreSelections();
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
    m_hDC = nullptr;
}
