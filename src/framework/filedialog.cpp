#include "filedialog.h"

#include "winapp.h"
#include "wnd.h"

std::string CFileDialog::ConvertFilter(const char* filter, UINT codePage)
{
    std::string converted;
    for (const char* p = filter; p && *p;) {
        if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(*p)) && p[1]) {
            converted.append(p, 2);
            p += 2;
            continue;
        }
        converted.push_back(*p == '|' ? '\0' : *p);
        ++p;
    }
    converted.append(2, '\0');
    return converted;
}

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExt, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_open(openFileDialog), m_parent(parent)
{
    ZeroMemory(&m_ofn, sizeof m_ofn);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.lpstrFile = m_fileName;
    m_ofn.nMaxFile = MAX_PATH;  // 260 characters with the terminating zero
    m_ofn.Flags = flags | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    if (LOBYTE(LOWORD(::GetVersion())) >= 4)
        m_ofn.Flags |= OFN_EXPLORER;
    m_ofn.lpfnHook = &CFileDialog::HookProc;
    if (defaultExt) {
        m_defaultExt = defaultExt;
        m_ofn.lpstrDefExt = m_defaultExt.c_str();
    }
    if (fileName)
        lstrcpynA(m_fileName, fileName, MAX_PATH);
    if (filter) {
        m_filter = ConvertFilter(filter);
        m_ofn.lpstrFilter = m_filter.data();
    }
}

INT_PTR CFileDialog::DoModal()
{
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    CWinApp* app = AfxGetApp();
    if (!owner && app && app->m_pMainWnd)
        owner = app->m_pMainWnd->m_hWnd;
    m_ofn.hwndOwner = owner;
    m_ofn.hInstance = AfxGetResourceHandle();
    // The system dialog disables its owner itself and enables it again when it closes.
    BOOL chosen = m_open ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    // Explorer style: the hook's window is a child of the real dialog; centre that over its owner.
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == CDN_INITDONE) {
        HWND dialog = ::GetParent(hwnd);
        CWnd wrapper;
        wrapper.m_hWnd = dialog;
        wrapper.CenterWindow(::GetWindow(dialog, GW_OWNER));
        wrapper.m_hWnd = nullptr;
    }
    return 0;
}
