// kavrin-merge.exe under Windows: exit codes, and the Japanese outcome text arriving in the code page
// of the console it runs in.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out, err;
};

// The program, as a Windows path: the build's Linux path lies under drive Z:.
std::string ProgramPath() {
    std::string path = "Z:" + std::string(KAVRIN_MERGE_EXE);
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string Drain(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

ProgramRun Program(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    CreatePipe(&outRead, &outWrite, &inherit, 0);
    CreatePipe(&errRead, &errWrite, &inherit, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process = {};
    const std::string program = ProgramPath();
    std::wstring commandLine = L"\"" + std::wstring(program.begin(), program.end()) + L"\" " + arguments;
    ProgramRun run;
    BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    EXPECT_TRUE(started);
    if (started) {
        // The pipes are small: read both while the program runs (it writes little, one then the other).
        run.out = Drain(outRead);
        run.err = Drain(errRead);
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

// A code page 932 text as the bytes of another code page.
std::string Recode(const std::string& text, UINT from, UINT to) {
    int wideLength = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
    int length = WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, &out[0], length, nullptr, nullptr);
    return out;
}

UINT OutputCodePage() {
    UINT codePage = GetConsoleOutputCP();
    return codePage ? codePage : GetACP();
}

TEST(KavrinMergeExe, ExitCodes) {
    ProgramRun version = Program(L"--version");
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_EQ(version.out, "kavrin-merge 1.10\r\n");

    ProgramRun usage = Program(L"--buffer many a.avi b.wav c.avi");
    EXPECT_EQ(usage.exitCode, 2u);
    EXPECT_EQ(usage.err, "kavrin-merge: --buffer: 'many' is not an integer\r\nTry 'kavrin-merge --help'.\r\n");
}

TEST(KavrinMergeExe, FailureTextInTheConsoleCodePage) {
    // The literal is code page 932 in this build, as in the program.
    const std::string message =
        "実行できませんでした。: New AVI File\r\nファイル名（拡張子を含める）を\r\n再度、確認後、実行してください\r\n";
    const std::wstring missing = L"Z:\\no\\such\\folder\\";
    const std::wstring arguments = missing + L"v.avi " + missing + L"a.wav " + missing + L"new.avi";

    ProgramRun run = Program(arguments);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, Recode(message, 932, OutputCodePage())) << "code page " << OutputCodePage();

    // In a console set to UTF-8 the same text arrives as UTF-8.
    if (GetConsoleWindow() || AllocConsole()) {
        const UINT saved = GetConsoleOutputCP();
        if (SetConsoleOutputCP(CP_UTF8)) {
            ProgramRun utf8 = Program(arguments);
            SetConsoleOutputCP(saved);
            EXPECT_EQ(utf8.exitCode, 1u);
            EXPECT_EQ(utf8.err, Recode(message, 932, CP_UTF8));
            EXPECT_NE(utf8.err, message);
            return;
        }
    }
    std::printf("no console to set to UTF-8 here: that case was not run\n");
}

// A name the ANSI code page cannot hold is refused, not turned into a look-alike that names another
// file; one it can hold (Japanese) reaches the media layer intact.
TEST(KavrinMergeExe, ArgumentsTheAnsiCodePageCannotNameAreRefused) {
    ProgramRun accented = Program(L"Z:\\no\\vid\u00E9.avi Z:\\no\\a.wav Z:\\no\\n.avi");
    EXPECT_EQ(accented.exitCode, 2u);
    EXPECT_NE(accented.err.find("holds characters that the ANSI code page cannot name"), std::string::npos)
        << accented.err;

    // In a folder that does not exist: the outcome shows the name got as far as the media layer.
    ProgramRun japanese = Program(L"Z:\\no\\\u52D5\u753B.avi Z:\\no\\a.wav Z:\\no\\\u8868\\n.avi");
    EXPECT_EQ(japanese.exitCode, 1u) << japanese.err;
}

}  // namespace
