#include "dialog.h"

#include <new>

#include "framework_ids.h"
#include "winapp.h"

namespace {

// The origin and style of a template, plain or extended.
struct TemplateFacts {
    DWORD style;
    short x, y;
};

TemplateFacts ReadTemplate(const void* data)
{
    const WORD* words = static_cast<const WORD*>(data);
    TemplateFacts facts;
    if (words[1] == 0xFFFF) {  // extended: dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y
        const BYTE* p = static_cast<const BYTE*>(data);
        CopyMemory(&facts.style, p + 12, sizeof(DWORD));
        CopyMemory(&facts.x, p + 18, sizeof(short));
        CopyMemory(&facts.y, p + 20, sizeof(short));
    } else {
        const DLGTEMPLATE* plain = static_cast<const DLGTEMPLATE*>(data);
        facts.style = plain->style;
        facts.x = plain->x;
        facts.y = plain->y;
    }
    return facts;
}

// Messages whose result is the dialog procedure's return value, not DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

}  // namespace

void ReportHandlerException()
{
    try {
        throw;
    } catch (const CUserException&) {
        // The user has been told already.
    } catch (const std::bad_alloc&) {
        AfxMessageBox(FW_IDP_NO_MEMORY, MB_OK | MB_ICONSTOP);
    } catch (...) {
        AfxMessageBox(FW_IDP_INTERNAL_ERROR, MB_OK | MB_ICONSTOP);
    }
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog()
{
    // A dialog object that dies with its window still up takes the window with it.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

const MessageMap* CDialog::GetMessageMap() const
{
    static const MessageMap map = {CCmdTarget::GetMessageMap(), nullptr, 0};
    return &map;
}

CDialog* CDialog::FromHandle(HWND hwnd)
{
    if (!hwnd || ::GetWindowLongPtrA(hwnd, DWLP_DLGPROC) != (LONG_PTR)&CDialog::DialogProc)
        return nullptr;
    return reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(m_templateId), (LPCSTR)RT_DIALOG);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data)
        return -1;
    TemplateFacts facts = ReadTemplate(data);
    // Templates placed at 0, 0 are centred by us before they first show.
    m_centreOnInit = facts.x == 0 && facts.y == 0 && !(facts.style & DS_CENTER);

    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    CWinApp* app = AfxGetApp();
    if (!owner && app && app->m_pMainWnd && app->m_pMainWnd != this)
        owner = app->m_pMainWnd->m_hWnd;
    owner = TopLevelOf(owner);
    // Only an owner we disabled is enabled again afterwards.
    bool disabledOwner = owner && ::IsWindowEnabled(owner);
    if (disabledOwner)
        ::EnableWindow(owner, FALSE);

    m_running = true;
    m_result = -1;
    HWND hwnd = ::CreateDialogIndirectParamA(module, static_cast<const DLGTEMPLATE*>(data), owner,
                                             &CDialog::DialogProc, (LPARAM)this);
    if (hwnd && m_running && !::IsWindowVisible(hwnd))
        ::ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG msg;
    while (hwnd && m_running && ::IsWindow(hwnd)) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit for the outer loop
            break;
        }
        if (got == -1)
            break;
        if ((msg.hwnd == hwnd || ::IsChild(hwnd, msg.hwnd)) && PreTranslateGuarded(&msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }

    // Hidden first, owner back, then destroyed: WM_DESTROY handlers still find their controls.
    if (hwnd && ::IsWindow(hwnd))
        ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (disabledOwner) {
        ::EnableWindow(owner, TRUE);
        if (hwnd && ::GetActiveWindow() == hwnd)
            ::SetActiveWindow(owner);
    }
    if (hwnd && ::IsWindow(hwnd))
        ::DestroyWindow(hwnd);
    m_running = false;
    return m_result;
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    m_running = false;
    // Wake the loop so it sees the end even when no other message is due.
    if (m_hWnd)
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

bool CDialog::PreTranslateGuarded(MSG* msg)
{
    try {
        return PreTranslateMessage(msg) != FALSE;
    } catch (...) {
        ReportHandlerException();
        return true;
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    // F1 alone asks for help: the command goes to the main window, and on to the application.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1 && ::GetKeyState(VK_SHIFT) >= 0
        && ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_MENU) >= 0) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd && app->m_pMainWnd->m_hWnd)
            ::SendMessageA(app->m_pMainWnd->m_hWnd, WM_COMMAND, ID_HELP, 0);
        else if (app)
            app->OnCmdMsg(ID_HELP, 0);
        return TRUE;
    }
    return ::IsDialogMessageA(m_hWnd, msg);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
        return TRUE;
    } catch (const CUserException&) {
        return FALSE;
    }
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::Detach()
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
    m_hWnd = nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, (LONG_PTR)self);
        self->m_hWnd = hwnd;
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self)
        return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT): the dialog manager's
    INT_PTR handled = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY)
        self->Detach();
    return handled;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    bool handled;
    try {
        handled = Handle(message, wParam, lParam, result);
    } catch (...) {
        ReportHandlerException();
        handled = message != WM_INITDIALOG;
        result = 0;
    }
    if (message == WM_INITDIALOG) {
        if (m_centreOnInit)
            CenterWindow(::GetWindow(m_hWnd, GW_OWNER));
        return handled ? result : TRUE;
    }
    if (!handled)
        return FALSE;
    if (ReturnsDirectly(message))
        return (INT_PTR)result;
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, (LONG_PTR)result);
    return TRUE;
}

bool CDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const bool savedDefault = m_wantDefault;
    m_wantDefault = false;
    struct Restore {
        bool& flag; bool saved;
        ~Restore() { flag = saved; }
    } restore{m_wantDefault, savedDefault};

    const UINT code = HIWORD(wParam), id = LOWORD(wParam);
    if (const MessageEntry* entry = FindEntry(message, code, id)) {
        result = entry->thunk(this, wParam, lParam);
        return !m_wantDefault;
    }
    if (message == WM_INITDIALOG) {
        result = OnInitDialog();
        return true;
    }
    if (message == WM_COMMAND && (code == BN_CLICKED || code == 1)) {
        if (id == IDOK) { OnOK(); return true; }
        if (id == IDCANCEL) { OnCancel(); return true; }
        // Commands the dialog does not handle go to the application object.
        if (lParam == 0 || code == 1) {
            CWinApp* app = AfxGetApp();
            return app && app->OnCmdMsg(id, code);
        }
    }
    return false;
}
