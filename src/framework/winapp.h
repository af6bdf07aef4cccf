// CWinApp: the one application object, its names, the profile functions and the help command.
#pragma once

#include <windows.h>

#include "cmdtarget.h"
#include "cstring.h"
#include "names.h"

class CWnd;

class CWinApp : public CCmdTarget {
public:
    // Becomes the process's application object. No name: the name is derived from the executable.
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;
    const char* m_pszAppName = nullptr;
    const char* m_pszRegistryKey = nullptr;
    const char* m_pszProfileName = nullptr;
    const char* m_pszExeName = nullptr;
    const char* m_pszHelpFilePath = nullptr;

    virtual BOOL InitApplication() { return TRUE; }
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    virtual int Run();  // the message loop, for applications whose InitInstance returns TRUE

    // What the entry point does before InitApplication: record the handles and derive the names from
    // `modulePath` (the executable's path when null). Tests call it with paths of their own.
    void Start(HINSTANCE instance, const char* modulePath = nullptr);

    // From now on the profile lives in the registry: HKCU\software\<key>\<application name>.
    void SetRegistryKey(const char* key);

    CString GetProfileString(const char* section, const char* entry, const char* defaultValue = nullptr);
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);

    // The help command: the focused dialog's context (0x20000 + its template id) in the help file.
    void OnHelp();
    void WinHelp(DWORD_PTR data, UINT command = HELP_CONTEXT);

    using WinHelpFunction = BOOL(WINAPI*)(HWND, LPCSTR, UINT, ULONG_PTR);
    // Test seam: the function that reaches the help viewer (WinHelpA unless replaced).
    static void SetWinHelpFunction(WinHelpFunction function);

    const MessageMap* GetMessageMap() const override;

private:
    HKEY OpenSectionKey(const char* section);
    void SetName(CString& storage, const char*& field, const std::string& value);

    CString m_appName, m_registryKey, m_profileName, m_exeName, m_helpPath;
};

CWinApp* AfxGetApp();
const char* AfxGetAppName();
HINSTANCE AfxGetResourceHandle();

// Dialogs may host ActiveX controls: ours hold none, so there is nothing to set up.
void AfxEnableControlContainer();
// The three-dimensional look: Windows 4.0 and later draw it themselves.
BOOL Enable3dControlsStatic();
