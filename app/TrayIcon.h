// The tool's icon in the notification area, owned by one object: it puts the icon there and takes
// it away, puts it back when the shell restarts, and takes it away at the latest when it dies.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "platform/Gdi.h"

// The message the shell broadcasts when it (re)starts, having forgotten every icon.
extern const UINT g_uTaskbarCreated;

class CTrayIcon {
public:
    CTrayIcon() = default;
    ~CTrayIcon() { Remove(); }
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Describes the icon; nothing is shown yet. hWnd receives uCallbackMessage with the mouse
    // message in lParam; tip is code page 936.
    void Init(HWND hWnd, UINT nID, UINT uCallbackMessage, const char* tip);
    // The picture the icon shows (the display's small-icon size), owned from now on; an icon in
    // the notification area changes at once.
    void SetIcon(HICON hIcon);
    // Puts the icon into the notification area; while it is there, this changes nothing.
    void Show();
    // Takes the icon away, if it is shown.
    void Remove();
    // Puts a shown icon back after the shell restarted (g_uTaskbarCreated).
    void OnTaskbarCreated();
    // Whether the icon is meant to be in the notification area: from Show to Remove, even while a
    // restarting shell has lost it.
    bool IsShown() const { return m_bShown; }

private:
    void Notify(DWORD dwMessage) const;

    // The first version's record, with its 64-byte tip.
    NOTIFYICONDATAA m_nid{};
    CIcon m_icon;
    bool m_bShown = false;
};
