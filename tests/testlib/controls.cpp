#include "controls.h"

#include "message_boxes.h"

namespace kavrin::testlib {

namespace {

LPARAM KeyLParam(UINT vk, bool up) {
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    // Repeat count 1; for key-up the previous-state and transition bits are set.
    return 1 | scan | (up ? (3L << 30) : 0);
}

char CharOf(UINT vk) {
    switch (vk) {
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    default: break;
    }
    UINT ch = MapVirtualKeyA(vk, MAPVK_VK_TO_CHAR) & 0x7FFF;
    return (ch >= 0x20 && ch < 0x7F) ? static_cast<char>(ch) : 0;
}

struct FindQuery {
    const char* className;
    HWND owner;
    bool dialogsOnly;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* query = reinterpret_cast<FindQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    if (ClassOf(hwnd) != query->className) return TRUE;
    if (query->owner != kAnyOwner && GetWindow(hwnd, GW_OWNER) != query->owner) return TRUE;
    if (query->dialogsOnly && MessageBoxCatcher::IsMessageBox(hwnd)) return TRUE;
    query->found = hwnd;
    return FALSE;
}

}  // namespace

void PostKey(HWND control, UINT vk) {
    PostMessageA(control, WM_KEYDOWN, vk, KeyLParam(vk, false));
    if (char ch = CharOf(vk))
        PostMessageA(control, WM_CHAR, static_cast<unsigned char>(ch), KeyLParam(vk, false));
    PostMessageA(control, WM_KEYUP, vk, KeyLParam(vk, true));
}

void PostText(HWND control, const std::string& text) {
    for (unsigned char ch : text) {
        SHORT vk = VkKeyScanA(static_cast<char>(ch));
        UINT key = vk == -1 ? 0 : LOBYTE(vk);
        PostMessageA(control, WM_KEYDOWN, key, KeyLParam(key, false));
        PostMessageA(control, WM_CHAR, ch, KeyLParam(key, false));
        PostMessageA(control, WM_KEYUP, key, KeyLParam(key, true));
    }
}

void PostCommand(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PostClick(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

std::string WindowText(HWND hwnd) {
    if (!hwnd) return {};
    int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    length = GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

std::string ControlText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    int length = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

HWND FindWindowOf(const char* className, HWND owner) {
    FindQuery query{className, owner, false, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND FindDialog(HWND owner) {
    FindQuery query{"#32770", owner, true, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

}  // namespace kavrin::testlib
