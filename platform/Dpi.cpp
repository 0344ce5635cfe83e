#include "platform/Dpi.h"

#include <commctrl.h>

namespace qv {

// Rounded as every number of the layout is, the negative ones too (the search page's cut): halves
// away from zero, so that a length and its negation scale alike.
static_assert(ScaleToDpi(3, 144) == 5 && ScaleToDpi(-3, 144) == -5 && ScaleToDpi(-65, 144) == -98 &&
                  ScaleToDpi(-5, 120) == -6 && ScaleToDpi(-1, 120) == -1 && ScaleToDpi(-65, 192) == -130,
              "ScaleToDpi rounds halves away from zero");

namespace {

// An export of a DLL the process has loaded already (user32, comctl32), or null.
template <typename Function>
Function Lookup(const wchar_t* module, const char* name) {
    const HMODULE hModule = ::GetModuleHandleW(module);
    return hModule ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(hModule, name))) : nullptr;
}

UINT GetSystemDpi() {
    const HDC hScreen = ::GetDC(nullptr);
    const int dpi = hScreen ? ::GetDeviceCaps(hScreen, LOGPIXELSX) : 0;
    if (hScreen) ::ReleaseDC(nullptr, hScreen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

HICON LoadIconAtSize(HINSTANCE hModule, UINT nID, int cx, int cy) {
    // comctl32 6, which the manifest asks for, scales a larger image down smoothly; LoadImage
    // would drop pixels. Both take the image of the very size where there is one.
    static const auto loadIconWithScaleDown =
        Lookup<decltype(&::LoadIconWithScaleDown)>(L"comctl32.dll", "LoadIconWithScaleDown");
    HICON hIcon = nullptr;
    if (loadIconWithScaleDown && SUCCEEDED(loadIconWithScaleDown(hModule, MAKEINTRESOURCEW(nID), cx, cy, &hIcon)))
        return hIcon;
    return static_cast<HICON>(::LoadImageW(hModule, MAKEINTRESOURCEW(nID), IMAGE_ICON, cx, cy, 0));
}

}  // namespace

UINT GetWindowDpi(HWND hWnd) {
    static const auto getDpiForWindow = Lookup<decltype(&::GetDpiForWindow)>(L"user32.dll", "GetDpiForWindow");
    const UINT dpi = getDpiForWindow ? getDpiForWindow(hWnd) : 0;
    return dpi ? dpi : GetSystemDpi();
}

int GetSystemMetricForDpi(int nIndex, UINT dpi) {
    static const auto getSystemMetricsForDpi =
        Lookup<decltype(&::GetSystemMetricsForDpi)>(L"user32.dll", "GetSystemMetricsForDpi");
    if (getSystemMetricsForDpi) return getSystemMetricsForDpi(nIndex, dpi);
    return ::MulDiv(::GetSystemMetrics(nIndex), static_cast<int>(dpi), static_cast<int>(GetSystemDpi()));
}

void KeepDialogManagerFromScaling(HWND hDialog) {
    static const auto setDialogDpiChangeBehavior =
        Lookup<decltype(&::SetDialogDpiChangeBehavior)>(L"user32.dll", "SetDialogDpiChangeBehavior");
    if (setDialogDpiChangeBehavior) setDialogDpiChangeBehavior(hDialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

HICON LoadSmallIconForDpi(HINSTANCE hModule, UINT nID, UINT dpi) {
    return LoadIconAtSize(hModule, nID, GetSystemMetricForDpi(SM_CXSMICON, dpi),
                          GetSystemMetricForDpi(SM_CYSMICON, dpi));
}

HICON LoadLargeIconForDpi(HINSTANCE hModule, UINT nID, UINT dpi) {
    return LoadIconAtSize(hModule, nID, GetSystemMetricForDpi(SM_CXICON, dpi), GetSystemMetricForDpi(SM_CYICON, dpi));
}

}  // namespace qv
