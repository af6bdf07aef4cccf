// Registry helpers for tests that share one Wine prefix: each works under a key of its own.
#pragma once

#include <windows.h>

#include <string>

// Deletes a key and everything below it (RegDeleteTree is not available for our Windows target).
inline void DeleteKeyTree(HKEY parent, const std::string& path)
{
    HKEY key;
    if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    for (;;) {
        DWORD length = sizeof name;
        if (::RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DeleteKeyTree(key, name);
    }
    ::RegCloseKey(key);
    ::RegDeleteKeyA(parent, path.c_str());
}

inline bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}
