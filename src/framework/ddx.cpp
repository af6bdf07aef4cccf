#include "ddx.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "framework_ids.h"
#include "wnd.h"

HWND CDataExchange::PrepareEditCtrl(int id)
{
    m_lastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    return m_lastControl;
}

void CDataExchange::Fail()
{
    if (m_lastControl) {
        ::SetFocus(m_lastControl);
        ::SendMessageA(m_lastControl, EM_SETSEL, 0, -1);
    }
    throw CUserException();
}

void SetWindowTextIfChanged(HWND hwnd, const char* text)
{
    if (CString::FromWindow(hwnd) != text)
        ::SetWindowTextA(hwnd, text);
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = CString::FromWindow(control);
    else
        SetWindowTextIfChanged(control, value);
}

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

BOOL ParseDialogInt(const char* text, int* value)
{
    char buffer[32];
    lstrcpynA(buffer, text, sizeof buffer);  // the field is read through a 32-character buffer

    const char* p = buffer;
    while (IsBlank(*p))
        ++p;
    const char first = *p;

    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t magnitude = 0;
    const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
    while (*p >= '0' && *p <= '9') {
        magnitude = magnitude * 10 + (*p++ - '0');
        if (magnitude > limit)
            magnitude = limit;  // saturate, without complaint
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;

    if (signedValue == 0 && first != '0')
        return FALSE;  // empty, lone sign, "+0", letters, full-width digits
    while (IsBlank(*p))
        ++p;
    if (*p != '\0')
        return FALSE;  // something after the number
    *value = static_cast<int>(signedValue);
    return TRUE;
}

void DDX_Text(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        char text[32];
        ::GetWindowTextA(control, text, sizeof text);
        int parsed;
        if (!ParseDialogInt(text, &parsed)) {
            AfxMessageBox(FW_IDP_PARSE_INT, MB_OK | MB_ICONEXCLAMATION, dx->m_pDlgWnd->m_hWnd);
            dx->Fail();
        }
        value = parsed;
    } else {
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        SetWindowTextIfChanged(control, text);
    }
}
