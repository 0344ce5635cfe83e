#include "platform/Menu.h"

#include "platform/Text.h"

BOOL CMenu::LoadMenu(UINT nIDResource) {
    DestroyMenu();
    m_hMenu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nIDResource));
    m_bOwned = m_hMenu != nullptr;
    return m_bOwned;
}

void CMenu::AttachBorrowed(HMENU hMenu) {
    DestroyMenu();
    m_hMenu = hMenu;
    m_bOwned = false;
}

BOOL CMenu::DestroyMenu() {
    if (!m_hMenu) return FALSE;
    const BOOL ok = m_bOwned ? ::DestroyMenu(m_hMenu) : TRUE;
    m_hMenu = nullptr;
    m_bOwned = false;
    return ok;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* text) const {
    if (!text) return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, nullptr);
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, qv::WideFromGbk(text).c_str());
}
