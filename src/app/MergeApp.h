// CMergeApp: the application object. It fixes where the settings live, runs the main dialog and
// ends the program when the dialog closes.
#pragma once

#include "framework.h"

class CMergeApp : public CWinApp {
public:
    CMergeApp();
    ~CMergeApp() override;

    const MessageMap* GetMessageMap() const override;
    BOOL InitInstance() override;
};

extern CMergeApp theApp;
