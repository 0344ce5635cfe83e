// The application object: the single-instance rule, then the main dialog run modally.
#pragma once

#include "platform/WinApp.h"

class CQuilVaraApp : public CWinApp {
public:
    CQuilVaraApp() = default;

    BOOL InitInstance() override;
    // A start whose main window could not be made ends with a failure code.
    int ExitInstance() override;

    DECLARE_MESSAGE_MAP()

private:
    bool m_bStartFailed = false;
};

extern CQuilVaraApp theApp;
