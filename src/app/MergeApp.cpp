#include "MergeApp.h"

#include <iterator>

#include "MergeDlg.h"

CMergeApp theApp;

CMergeApp::CMergeApp() : CWinApp(nullptr) {}  // the name comes from the executable's file name

CMergeApp::~CMergeApp() = default;

const MessageMap* CMergeApp::GetMessageMap() const
{
    static const MessageEntry entries[] = {
        fw::OnCommand<&CWinApp::OnHelp>(ID_HELP),
    };
    static const MessageMap map = {CWinApp::GetMessageMap(), entries, std::size(entries)};
    return &map;
}

BOOL CMergeApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControlsStatic();
    SetRegistryKey("Brenwick!");

    CMergeDlg dlg(nullptr);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    // The dialog was the whole program: no message loop follows.
    return FALSE;
}
