// Windows' high-contrast setting, and the colours of what the tool draws itself while it is on:
// the system's in place of the skin's, for the panes' panel and for the focus mark (the
// highlight colour). The bar chooses its own (CollapseBar).
#pragma once

#include <windows.h>

#include "browser/HtmlBrowser.h"
#include "skin/FocusMark.h"

namespace qv {

// Whether high contrast is on now. Asked again when the system's settings change.
bool IsHighContrastOn();

// The focus mark: the skin's, or in high contrast the system's highlight colour, both rings.
FocusMarkColours FocusMarkFor(bool bHighContrast);

// The panes' panel: skin as it is, or in high contrast with the system's window colours.
PanelLook PanelLookFor(const PanelLook& skin, bool bHighContrast);

}  // namespace qv
