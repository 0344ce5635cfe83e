// Display scaling. The tool's pixel numbers are those of a display at 96 DPI (100 %); at another
// DPI each is multiplied by dpi / 96 and rounded, here and nowhere else. Functions that newer
// Windows has and older lacks are looked up at run time, so the exe still starts without them.
#pragma once

#include <windows.h>

namespace qv {

inline constexpr UINT kDefaultDpi = USER_DEFAULT_SCREEN_DPI;

// value, in pixels at 96 DPI, at dpi: rounded to the nearest pixel, halves away from zero.
constexpr int ScaleToDpi(int value, UINT dpi) {
    const long long scaled = static_cast<long long>(value) * dpi;
    const long long half = kDefaultDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kDefaultDpi : -((half - scaled) / kDefaultDpi));
}

// The DPI hWnd is shown at: the window's own (GetDpiForWindow, Windows 10 1607 on), else the
// system's (the screen's LOGPIXELSX).
UINT GetWindowDpi(HWND hWnd);

// System metric nIndex (SM_CXSMICON ...) at dpi: GetSystemMetricsForDpi where Windows has it, else
// the metric at the system's DPI, scaled.
int GetSystemMetricForDpi(int nIndex, UINT dpi);

// Makes the dialog manager leave a dialog's size, font and children alone when its DPI changes
// (Windows 10 1703 on; it would otherwise scale them from the template): for a dialog that
// places everything itself.
void KeepDialogManagerFromScaling(HWND hDialog);

// Icon resource nID of hModule at the small-icon size of dpi (title bands, the notification area)
// or at its large-icon size (Alt+Tab, the taskbar): the icon's image of that size, or one drawn
// from a larger image where it has none (LoadIconWithScaleDown, Vista on, else LoadImage); null on
// failure. The caller destroys it.
HICON LoadSmallIconForDpi(HINSTANCE hModule, UINT nID, UINT dpi);
HICON LoadLargeIconForDpi(HINSTANCE hModule, UINT nID, UINT dpi);

}  // namespace qv
