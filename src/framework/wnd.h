// CWnd: a window of ours, reached by its handle, with the message-box and helper calls our dialogs use.
#pragma once

#include <windows.h>

#include "cmdtarget.h"
#include "cstring.h"

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // A box owned by this window; no caption means the application name. Returns the button pressed.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    CString GetWindowText() const { return CString::FromWindow(m_hWnd); }
    HICON SetIcon(HICON icon, BOOL big)
    {
        return (HICON)SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, (LPARAM)icon);
    }
    // Centres this window over `over`, or over the work area of its monitor when `over` is null,
    // kept inside that work area.
    void CenterWindow(HWND over = nullptr);

    // Handlers with a default course. A handler that wants the system's own processing as well calls
    // Default(), which lets the dialog manager handle the message after the handler returns.
    void OnPaint() { Default(); }
    void OnDestroy() { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    void Default() { m_wantDefault = true; }

protected:
    bool m_wantDefault = false;
};

// A device context for WM_PAINT: BeginPaint on construction, EndPaint on destruction.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_hDC; }

    HDC m_hDC;
    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

// The top-level window that holds a window (itself when it is one).
HWND TopLevelOf(HWND hwnd);

// The framework's own alert: text with its icon, caption the application name, owned by the main
// window's last active popup (or by `fallbackOwner` when there is no main window).
int AfxMessageBox(const char* text, UINT type = MB_OK, HWND fallbackOwner = nullptr);
int AfxMessageBox(UINT stringId, UINT type = MB_OK, HWND fallbackOwner = nullptr);
