// The entry point: the application executable defines only its global CWinApp-derived object.
#include "winapp.h"
#include "wnd.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    // No critical-error or open-file-error boxes of the system's own.
    ::SetErrorMode(::SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    app->m_lpCmdLine = commandLine;
    app->m_nCmdShow = showCommand;
    app->Start(instance);

    int exitCode;
    if (app->InitApplication() && app->InitInstance()) {
        exitCode = app->Run();
    } else {
        // No message loop follows: a main window still standing goes now.
        if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd)
            ::DestroyWindow(app->m_pMainWnd->m_hWnd);
        exitCode = app->ExitInstance();
    }
    return exitCode;
}
