#include "winapp.h"

#include <vector>

#include "dialog.h"
#include "framework_ids.h"

namespace {

CWinApp* g_app = nullptr;
CWinApp::WinHelpFunction g_winHelp = &::WinHelpA;

// Closes a registry key when it goes out of scope.
struct KeyCloser {
    HKEY key = nullptr;
    ~KeyCloser() { if (key) ::RegCloseKey(key); }
};

const REGSAM kAccess = KEY_READ | KEY_WRITE;

HKEY OpenOrCreate(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    DWORD disposition;
    if (::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr, &key,
                          &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

}  // namespace

CWinApp* AfxGetApp() { return g_app; }

const char* AfxGetAppName() { return g_app && g_app->m_pszAppName ? g_app->m_pszAppName : ""; }

HINSTANCE AfxGetResourceHandle()
{
    return g_app && g_app->m_hInstance ? g_app->m_hInstance : ::GetModuleHandleA(nullptr);
}

void AfxEnableControlContainer() {}

BOOL Enable3dControlsStatic()
{
    // GetVersion's low byte is the major version; 4 and later draw 3D controls themselves.
    return LOBYTE(LOWORD(::GetVersion())) >= 4;
}

CWinApp::CWinApp(const char* appName)
{
    if (appName)
        SetName(m_appName, m_pszAppName, appName);
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

const MessageMap* CWinApp::GetMessageMap() const
{
    static const MessageMap map = {CCmdTarget::GetMessageMap(), nullptr, 0};
    return &map;
}

void CWinApp::SetName(CString& storage, const char*& field, const std::string& value)
{
    storage = CString(value);
    field = storage;
}

void CWinApp::Start(HINSTANCE instance, const char* modulePath)
{
    m_hInstance = instance;
    char path[MAX_PATH + 1] = "";
    if (!modulePath) {
        ::GetModuleFileNameA(instance, path, MAX_PATH);
        modulePath = path;
    }
    ModuleNames names = DeriveModuleNames(modulePath);
    SetName(m_exeName, m_pszExeName, names.exeName);
    SetName(m_helpPath, m_pszHelpFilePath, names.helpPath);
    SetName(m_profileName, m_pszProfileName, names.profileName);
    if (!m_pszAppName) {
        CString title;
        title.LoadString(FW_IDS_APP_TITLE);
        SetName(m_appName, m_pszAppName, title.IsEmpty() ? names.exeName : title.str());
    }
}

int CWinApp::Run()
{
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return ExitInstance();
}

void CWinApp::SetRegistryKey(const char* key)
{
    SetName(m_registryKey, m_pszRegistryKey, key);
    SetName(m_profileName, m_pszProfileName, AfxGetAppName());
}

// HKCU\software\<registry key>\<profile name>\<section>; every key but the section's is closed here,
// and the caller closes that one. nullptr when any step fails.
HKEY CWinApp::OpenSectionKey(const char* section)
{
    KeyCloser software, company, app;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, kAccess, &software.key) != ERROR_SUCCESS) {
        software.key = nullptr;
        return nullptr;
    }
    company.key = OpenOrCreate(software.key, m_pszRegistryKey);
    if (!company.key)
        return nullptr;
    app.key = OpenOrCreate(company.key, m_pszProfileName);
    if (!app.key)
        return nullptr;
    return OpenOrCreate(app.key, section);
}

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue)
{
    if (!m_pszRegistryKey) {
        char buffer[4096];
        ::GetPrivateProfileStringA(section, entry, defaultValue ? defaultValue : "", buffer, sizeof buffer,
                                   m_pszProfileName);
        return CString(buffer);
    }
    KeyCloser key;
    key.key = OpenSectionKey(section);
    if (!key.key)
        return CString(defaultValue);
    DWORD type, size = 0;
    if (::RegQueryValueExA(key.key, entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return CString(defaultValue);
    // One byte more than the data, so text stored without its zero still ends.
    std::vector<char> data(size + 1, '\0');
    if (::RegQueryValueExA(key.key, entry, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size)
        != ERROR_SUCCESS)
        return CString(defaultValue);
    return CString(data.data());
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue)
{
    if (!m_pszRegistryKey)
        return ::GetPrivateProfileIntA(section, entry, defaultValue, m_pszProfileName);
    KeyCloser key;
    key.key = OpenSectionKey(section);
    if (!key.key)
        return static_cast<UINT>(defaultValue);
    DWORD type, value = 0, size = sizeof value;
    if (::RegQueryValueExA(key.key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size)
        != ERROR_SUCCESS)
        return static_cast<UINT>(defaultValue);
    // Fewer than four bytes leave the upper bytes undefined: such a value counts as missing.
    if (size != sizeof value)
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value)
{
    if (!m_pszRegistryKey)
        return ::WritePrivateProfileStringA(section, entry, value, m_pszProfileName);
    KeyCloser key;
    key.key = OpenSectionKey(section);
    if (!key.key)
        return FALSE;
    if (!value)
        value = "";
    return ::RegSetValueExA(key.key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(lstrlenA(value) + 1)) == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value)
{
    if (!m_pszRegistryKey) {
        char text[16];
        wsprintfA(text, "%d", value);
        return ::WritePrivateProfileStringA(section, entry, text, m_pszProfileName);
    }
    KeyCloser key;
    key.key = OpenSectionKey(section);
    if (!key.key)
        return FALSE;
    DWORD data = static_cast<DWORD>(value);
    return ::RegSetValueExA(key.key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof data) == ERROR_SUCCESS;
}

void CWinApp::SetWinHelpFunction(WinHelpFunction function) { g_winHelp = function ? function : &::WinHelpA; }

void CWinApp::OnHelp()
{
    // The dialog that holds the focus (or the main window) names the help context.
    CDialog* dialog = CDialog::FromHandle(TopLevelOf(::GetFocus()));
    if (!dialog && m_pMainWnd)
        dialog = CDialog::FromHandle(m_pMainWnd->m_hWnd);
    if (dialog)
        WinHelp(0x20000 + dialog->GetTemplateId(), HELP_CONTEXT);
    else
        WinHelp(0, HELP_FINDER);
}

void CWinApp::WinHelp(DWORD_PTR data, UINT command)
{
    HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (!g_winHelp(main, m_pszHelpFilePath, command, data))
        AfxMessageBox(FW_IDP_HELP_FAILED, MB_OK | MB_ICONEXCLAMATION);
}
