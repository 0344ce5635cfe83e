#include "app/PaneAccess.h"

#include <oleacc.h>

void CPaneAccess::Attach(CHtmlBrowser* pPane, const char* name) {
    if (!pPane->GetSafeHwnd()) return;
    m_pPane = pPane;
    pPane->SetWindowText(name);
    m_access.Attach(pPane->GetSafeHwnd(), this);
}

CString CPaneAccess::AccessibleName() const { return m_pPane->GetWindowText(); }

long CPaneAccess::AccessibleRole() const { return ROLE_SYSTEM_GROUPING; }

CString CPaneAccess::AccessibleDescription() const { return m_pPane->PanelLine(); }
