// CHtmlBrowser: one page pane of the main window. It remembers one page address, shows it only
// while navigation is enabled, and can ask the browser surface for no 3-D border and no scroll
// bars. Like its view, a pane is a heap object that its window deletes when it goes.
#pragma once

#include "platform/HtmlView.h"
#include "platform/String.h"

class CHtmlBrowser : public CHtmlView {
public:
    explicit CHtmlBrowser(bool bNoScrollBorder);
    ~CHtmlBrowser() override;

    // Remembers lpszUrl (code page 936, not null) and shows it at once while navigation is
    // enabled, even when it is the address already shown or empty.
    void SetUrl(const char* lpszUrl);
    // Switches navigation on or off and returns the flag as it then stands. Switching on shows
    // the remembered address (when there is one and the window exists); switching off forgets
    // it and leaves the page on screen.
    bool EnableNavigate(bool bEnable);

    HRESULT OnGetHostInfo(DOCHOSTUIINFO* pInfo) override;

protected:
    DECLARE_MESSAGE_MAP()

private:
    bool m_bNavigate;
    CString m_strUrl;
    bool m_bNoScrollBorder;
};
