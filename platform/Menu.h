// A menu handle: owned (loaded here, destroyed with the object) or borrowed (the system menu).
#pragma once

#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    ~CMenu() { DestroyMenu(); }

    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    BOOL LoadMenu(UINT nIDResource);
    // Wraps a menu that someone else owns; it is never destroyed through this object.
    void AttachBorrowed(HMENU hMenu);
    BOOL DestroyMenu();

    HMENU GetSubMenu(int nPos) const { return ::GetSubMenu(m_hMenu, nPos); }
    // text is code page 936; null for separators.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* text = nullptr) const;

private:
    HMENU m_hMenu = nullptr;
    bool m_bOwned = false;
};
