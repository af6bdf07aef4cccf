// CFileDialog: the system's open or save dialog, Explorer style, centred over its owner.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <string>

#include "cstring.h"

class CWnd;

class CFileDialog {
public:
    // `filter` uses "|" between description and pattern and between entries ("Text(*.txt)|*.txt||").
    CFileDialog(BOOL openFileDialog, const char* defaultExt = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when the user chose a file; IDCANCEL on cancel and on any failure (a path too long included).
    INT_PTR DoModal();
    CString GetPathName() const { return CString(m_fileName); }

    OPENFILENAMEA m_ofn;

    // The filter as the system wants it: each "|" (never the second byte of a double-byte character)
    // made a zero, and the whole ended by two zeros.
    static std::string ConvertFilter(const char* filter, UINT codePage = CP_ACP);

private:
    static UINT_PTR CALLBACK HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    BOOL m_open;
    CWnd* m_parent;
    std::string m_filter;
    std::string m_defaultExt;
    char m_fileName[MAX_PATH] = "";
};
