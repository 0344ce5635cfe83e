// What screen readers are told of a page pane: a grouping named for the page it holds (the pane's
// window text), described, while the pane cannot show its page, by the line its panel says so in.
// The controls inside it (the page, the panel's button) are the system's to describe.
#pragma once

#include "browser/HtmlBrowser.h"
#include "platform/Accessible.h"

class CPaneAccess : private qv::IAccessibleSource {
public:
    // Names pPane (code page 936) and describes it from now on; a pane without a window is left alone.
    void Attach(CHtmlBrowser* pPane, const char* name);

private:
    CString AccessibleName() const override;
    long AccessibleRole() const override;
    CString AccessibleDescription() const override;

    // Valid while the attachment lasts, which ends as the pane's window goes.
    CHtmlBrowser* m_pPane = nullptr;
    qv::CAccessibleWindow m_access;
};
