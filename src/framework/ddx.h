// Dialog data exchange: values move between controls and members in both directions.
#pragma once

#include <windows.h>

#include "cstring.h"

class CWnd;

// Thrown when a field is rejected; the user has been told already, so nobody reports it again.
class CUserException {};

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls -> members
    CWnd* m_pDlgWnd;

    // The control being exchanged; remembered so that Fail() can return the user to it.
    HWND PrepareEditCtrl(int id);
    // Focuses the last prepared control, selects its whole text and ends the exchange.
    [[noreturn]] void Fail();

private:
    HWND m_lastControl = nullptr;
};

void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);

// The integer reading of a field's text (at most its first 31 characters take part): blanks and tabs
// around, an optional sign, decimal digits, saturated to the 32-bit range. FALSE when rejected.
BOOL ParseDialogInt(const char* text, int* value);

// Writes text into a window unless it holds exactly that text already (no flicker, no caret move).
void SetWindowTextIfChanged(HWND hwnd, const char* text);
