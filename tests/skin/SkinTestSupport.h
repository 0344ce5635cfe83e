// Helpers of the skin tests: a memory canvas whose pixels can be read back, the pixels of a
// bitmap resource as GDI converts them, and a visible top-level window to host buttons.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/Gdi.h"
#include "platform/Wnd.h"

namespace skintest {

// Fill colour of canvases: appears in no strip, so it marks pixels nobody drew.
constexpr COLORREF kUntouched = RGB(1, 2, 3);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A 32-bit top-down DIB section selected into a memory context.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = kUntouched);
    HDC dc() const { return m_dc; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    COLORREF At(int x, int y) const;

private:
    CBitmap m_bitmap;
    CDC m_dc;
    const DWORD* m_pBits = nullptr;
    int m_width;
    int m_height;
};

// The pixels of bitmap resource id of this executable, loaded the way skin images load it.
class StripPixels {
public:
    explicit StripPixels(UINT id);
    bool IsLoaded() const { return !m_pixels.empty(); }
    int width() const { return m_width; }
    int height() const { return m_height; }
    COLORREF At(int x, int y) const;

private:
    std::vector<COLORREF> m_pixels;
    int m_width = 0;
    int m_height = 0;
};

// A plain visible top-level window at a fixed screen place; children's draw requests are
// reflected to them by the window layer.
class HostWindow : public CWnd {
public:
    static constexpr int kLeft = 100;
    static constexpr int kTop = 100;
    HostWindow();
};

// One host for all tests of the run: making and destroying a visible window is slow under Wine.
HostWindow& Host();

// GDI objects this process holds. Wine does not implement GetGuiResources; there the count comes
// from the live entries of the process's own GDI handle table. *source names where it came from.
DWORD GdiObjectCount(const char** source = nullptr);

// Dispatches what is queued for this thread; waits up to milliseconds for something to come.
void PumpMessages(DWORD milliseconds = 0);

}  // namespace skintest
