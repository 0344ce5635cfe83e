// How a later start of the tool finds the window of the instance already running and brings it
// forward. A window is that instance's main window only when it is a dialog with the tool's title
// that the tool marked itself: other programs' windows may carry the same title. Nothing here
// waits on the running instance's thread, so a hung instance cannot hang a later start.
#pragma once

#include <windows.h>

namespace qv {

// Marks hWnd as this tool's main window; UnmarkMainWindow takes the mark off before it goes.
void MarkMainWindow(HWND hWnd);
void UnmarkMainWindow(HWND hWnd);

// The marked main window of a running instance, or null.
HWND FindMarkedMainWindow();

// Waits up to timeoutMs for the marked main window (the running instance may still be creating
// it), then asks it to show itself in its normal state and in front. False when none came.
bool BringRunningInstanceForward(DWORD timeoutMs);

}  // namespace qv
