// The application object: the single-instance rule, then the main dialog run modally.
#pragma once

#include "platform/WinApp.h"

class CQuilVaraApp : public CWinApp {
public:
    CQuilVaraApp() = default;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CQuilVaraApp theApp;
