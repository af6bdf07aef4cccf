#include "bytes.h"

#include <windows.h>

namespace kavrin::testlib {

std::string HexBytes(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (!out.empty()) out += ' ';
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

std::string WinePath(const std::string& linuxPath) {
    // Already a Windows path (a native Windows run): leave it alone.
    if (linuxPath.size() >= 2 && linuxPath[1] == ':') return linuxPath;
    std::string out = "Z:" + linuxPath;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

std::string EnvVar(const char* name) {
    char buffer[1024];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return {};
    return std::string(buffer, length);
}

}  // namespace kavrin::testlib
