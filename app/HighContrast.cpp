#include "app/HighContrast.h"

namespace qv {

bool IsHighContrastOn() {
    HIGHCONTRASTW settings{};
    settings.cbSize = sizeof settings;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof settings, &settings, 0) &&
           (settings.dwFlags & HCF_HIGHCONTRASTON);
}

FocusMarkColours FocusMarkFor(bool bHighContrast) {
    if (!bHighContrast) return kSkinFocusMark;
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    return {highlight, highlight};
}

PanelLook PanelLookFor(const PanelLook& skin, bool bHighContrast) {
    PanelLook look = skin;
    if (bHighContrast) {
        look.crBackground = ::GetSysColor(COLOR_WINDOW);
        look.crText = ::GetSysColor(COLOR_WINDOWTEXT);
    }
    return look;
}

}  // namespace qv
