#include "tests/skin/SkinTestSupport.h"

#include "platform/Rect.h"
#include "tests/support/GdiTable.h"

namespace skintest {

namespace {
COLORREF FromBgra(DWORD pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
}  // namespace

Canvas::Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height) {
    const BITMAPINFO info = TopDown32(width, height);
    void* pBits = nullptr;
    m_bitmap.Attach(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0));
    m_pBits = static_cast<const DWORD*>(pBits);
    m_dc.CreateCompatibleDC(nullptr);
    m_dc.SelectObject(m_bitmap);
    m_dc.FillSolidRect(CRect(0, 0, width, height), fill);
}

COLORREF Canvas::At(int x, int y) const {
    ::GdiFlush();
    return FromBgra(m_pBits[y * m_width + x]);
}

StripPixels::StripPixels(UINT id) {
    CBitmap strip;
    strip.Attach(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION));
    BITMAP header{};
    if (!strip.GetSafeHandle() || !strip.GetBitmap(&header)) return;
    m_width = header.bmWidth;
    m_height = header.bmHeight;
    BITMAPINFO info = TopDown32(m_width, m_height);
    std::vector<DWORD> bits(static_cast<size_t>(m_width) * m_height);
    HDC screen = ::GetDC(nullptr);
    const int rows = ::GetDIBits(screen, strip, 0, m_height, bits.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (rows != m_height) return;
    for (DWORD pixel : bits) m_pixels.push_back(FromBgra(pixel));
}

COLORREF StripPixels::At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }

HostWindow::HostWindow() {
    Create(L"STATIC", "", WS_POPUP | WS_VISIBLE, CRect(kLeft, kTop, kLeft + 400, kTop + 300), nullptr, 0);
}

HostWindow& Host() {
    static HostWindow host;
    return host;
}

DWORD GdiObjectCount(const char** source) {
    ::SetLastError(0);
    const DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    const bool bSupported = !(count == 0 && ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED);
    if (source) *source = bSupported ? "GetGuiResources" : "GDI handle table";
    return bSupported ? count : static_cast<DWORD>(qvtest::LiveGdiHandles().size());
}

void PumpMessages(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (milliseconds) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (::GetTickCount() - start < milliseconds);
}

}  // namespace skintest
