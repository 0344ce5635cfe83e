// How the tool keeps to one running instance. The first instance holds the named instance mutex
// while it has, or is making, its main window, and marks that window so that a later start finds
// it: other programs' windows may carry the same title. A later start waits while the running
// instance is only starting or closing, and asks its window to come forward without waiting on
// its thread, so a hung instance cannot hang a later start.
#pragma once

#include <windows.h>

namespace qv {

// Posted by a later start to the running instance's main window, which then comes forward itself
// (ComeForward): the desktop more readily lets a program activate its own windows.
extern const UINT g_uComeForward;

// This process's claim to be the running instance: the named mutex, held from a successful Claim
// until Release or the end of the process (which abandons it, so a crash frees it too).
class CInstanceClaim {
public:
    explicit CInstanceClaim(const char* mutexName);
    ~CInstanceClaim();
    CInstanceClaim(const CInstanceClaim&) = delete;
    CInstanceClaim& operator=(const CInstanceClaim&) = delete;

    // True when this process may run the tool: no other instance holds the mutex, or the one that
    // held it gave it up (it was closing) within timeoutMs, or the mutex cannot be made at all and
    // no running instance's window is there. False once the running instance's marked window was
    // found and asked to come forward, and also when neither happened in time: that instance is
    // still starting, and running beside it would make two windows.
    bool Claim(DWORD timeoutMs);
    // Gives the mutex up, if held: from now on a later start runs as the first at once.
    void Release();

private:
    HANDLE m_hMutex = nullptr;
    bool m_bHeld = false;
};

// Marks hWnd as this tool's main window; UnmarkMainWindow takes the mark off before it goes.
void MarkMainWindow(HWND hWnd);
void UnmarkMainWindow(HWND hWnd);

// The marked main window of a running instance, or null.
HWND FindMarkedMainWindow();

// What the running instance does when asked to come forward: restores its main window, raises it
// (keeping it on top if it is kept so) and activates the window that takes input there (an open
// About or message box, else the main window, never while it is disabled); where the desktop
// refuses the activation, or nothing can take it, the taskbar button flashes instead.
void ComeForward(HWND hMainWnd);

}  // namespace qv
