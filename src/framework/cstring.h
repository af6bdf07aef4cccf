// CString: an ANSI string (code page bytes, never reinterpreted) holding what our dialogs need.
#pragma once

#include <windows.h>

#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length) : m_text(text, static_cast<size_t>(length)) {}
    CString(const std::string& text) : m_text(text) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    operator const char*() const { return m_text.c_str(); }
    const char* c_str() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }

    CString& operator=(const char* text) { m_text = text ? text : ""; return *this; }
    CString& operator+=(const char* text) { m_text += text ? text : ""; return *this; }
    CString& operator+=(const CString& other) { m_text += other.m_text; return *this; }
    friend CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

    // Loads a string resource of the resource module; FALSE (and empty) when there is none.
    BOOL LoadString(UINT id);
    // The whole text of a window, of any length.
    static CString FromWindow(HWND hwnd);

private:
    std::string m_text;
};
