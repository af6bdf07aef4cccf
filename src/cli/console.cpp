#include "console.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

// `lost` (may be NULL) tells whether a character had no equivalent in the code page.
std::string Narrow(const std::wstring& wide, UINT codePage, DWORD flags = 0, BOOL* lost = nullptr) {
    if (wide.empty()) return std::string();
    int length = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                     lost);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr, lost);
    return text;
}

HANDLE ConsoleOf(FILE* stream) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

void WriteText(FILE* stream, const std::string& text, TextSource source) {
    const std::wstring wide = Widen(text, source == TextSource::Messages ? 932 : CP_ACP);
    if (HANDLE console = ConsoleOf(stream)) {
        std::fflush(stream);
        DWORD written;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    UINT codePage = GetConsoleOutputCP();
    const std::string bytes = Narrow(wide, codePage ? codePage : GetACP());
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

bool IsTerminal(FILE* stream) { return ConsoleOf(stream) != nullptr; }

bool AnsiArguments(int, char**, std::vector<std::string>* arguments, std::string* unfit) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return false;
    bool fits = true;
    for (int i = 1; i < count && fits; ++i) {
        const std::wstring argument = wide[i];
        BOOL lost = FALSE;
        const std::string bytes = Narrow(argument, CP_ACP, WC_NO_BEST_FIT_CHARS, &lost);
        if (lost) {
            *unfit = bytes;  // with the default character where the lost ones stood
            fits = false;
        } else {
            arguments->push_back(bytes);
        }
    }
    LocalFree(wide);
    return fits;
}

#else
#include <unistd.h>

void WriteText(FILE* stream, const std::string& text, TextSource) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) != 0; }

// Paths are bytes here, taken as they come.
bool AnsiArguments(int argc, char** argv, std::vector<std::string>* arguments, std::string*) {
    arguments->assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    return true;
}
#endif
