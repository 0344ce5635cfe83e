#include "app/TrayIcon.h"

#include <string>

#include "platform/Text.h"

const UINT g_uTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");

// The icon record keeps the first version's form: 88 bytes in the 32-bit build.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "first-version icon record");

void CTrayIcon::Init(HWND hWnd, UINT nID, UINT uCallbackMessage, const char* tip) {
    m_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_nid.hWnd = hWnd;
    m_nid.uID = nID;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = uCallbackMessage;
    lstrcpynA(m_nid.szTip, tip, sizeof m_nid.szTip);
}

void CTrayIcon::SetIcon(HICON hIcon) {
    // The shell keeps showing the old picture until told of the new one: the old goes after that.
    CIcon previous;
    previous.Attach(m_icon.Detach());
    m_icon.Attach(hIcon);
    m_nid.hIcon = m_icon;
    if (m_bShown) Notify(NIM_MODIFY);
}

void CTrayIcon::Show() {
    // A failed add still counts as shown: the shell may not be up yet, and the icon goes in when
    // it announces itself.
    Notify(NIM_ADD);
    m_bShown = true;
}

void CTrayIcon::Remove() {
    if (!m_bShown) return;
    Notify(NIM_DELETE);
    m_bShown = false;
}

void CTrayIcon::OnTaskbarCreated() {
    if (m_bShown) Notify(NIM_ADD);
}

void CTrayIcon::Notify(DWORD dwMessage) const {
    // The record keeps its code page 936 tip; the call gets it converted, whatever the system code page.
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    nid.hWnd = m_nid.hWnd;
    nid.uID = m_nid.uID;
    nid.uFlags = m_nid.uFlags;
    nid.uCallbackMessage = m_nid.uCallbackMessage;
    nid.hIcon = m_nid.hIcon;
    lstrcpynW(nid.szTip, qv::WideFromGbk(m_nid.szTip).c_str(), ARRAYSIZE(nid.szTip));
    ::Shell_NotifyIconW(dwMessage, &nid);
}
