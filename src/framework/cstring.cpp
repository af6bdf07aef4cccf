#include "cstring.h"

#include "winapp.h"

BOOL CString::LoadString(UINT id)
{
    // A string table entry holds at most 4097 UTF-16 units; as code page 932 that is at most twice as many bytes.
    char buffer[8200];
    int length = ::LoadStringA(AfxGetResourceHandle(), id, buffer, sizeof buffer);
    m_text.assign(buffer, length > 0 ? static_cast<size_t>(length) : 0);
    return length > 0;
}

CString CString::FromWindow(HWND hwnd)
{
    int length = ::GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = ::GetWindowTextA(hwnd, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return CString(text);
}
