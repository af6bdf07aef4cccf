#include "wnd.h"

#include "winapp.h"

int CWnd::MessageBox(const char* text, const char* caption, UINT type)
{
    if (!caption)
        caption = AfxGetAppName();
    return ::MessageBoxA(m_hWnd, text, caption, type);
}

void CWnd::CenterWindow(HWND over)
{
    RECT self;
    ::GetWindowRect(m_hWnd, &self);

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    HWND anchor = over ? over : m_hWnd;
    ::GetMonitorInfoA(::MonitorFromWindow(anchor, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT area = monitor.rcWork;
    // An owner that is hidden or minimised gives no place to centre over.
    RECT target = area;
    if (over && ::IsWindowVisible(over) && !::IsIconic(over))
        ::GetWindowRect(over, &target);

    LONG width = self.right - self.left, height = self.bottom - self.top;
    LONG x = (target.left + target.right) / 2 - width / 2;
    LONG y = (target.top + target.bottom) / 2 - height / 2;
    if (x + width > area.right) x = area.right - width;
    if (y + height > area.bottom) y = area.bottom - height;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TopLevelOf(HWND hwnd)
{
    while (hwnd && (::GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD))
        hwnd = ::GetParent(hwnd);
    return hwnd;
}

int AfxMessageBox(const char* text, UINT type, HWND fallbackOwner)
{
    HWND owner = fallbackOwner;
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd && app->m_pMainWnd->m_hWnd && ::IsWindow(app->m_pMainWnd->m_hWnd))
        owner = ::GetLastActivePopup(app->m_pMainWnd->m_hWnd);
    // Every framework alert carries an icon; exclamation unless the caller names another.
    if ((type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    return ::MessageBoxA(owner, text, AfxGetAppName(), type);
}

int AfxMessageBox(UINT stringId, UINT type, HWND fallbackOwner)
{
    CString text;
    text.LoadString(stringId);
    return AfxMessageBox(text, type, fallbackOwner);
}
