// A program on our own entry point: it writes what the start gave it into the file named by
// KAVRIN_START_LOG, for start_test.cpp to check.
#include <cstdio>
#include <string>

#include "framework.h"

namespace {

std::string g_log;

void Note(const std::string& line) { g_log += line + "\n"; }

class ProbeApp : public CWinApp {
public:
    BOOL InitApplication() override
    {
        Note("step InitApplication");
        return CWinApp::InitApplication();
    }

    BOOL InitInstance() override
    {
        Note("step InitInstance");
        Note(std::string("app ") + m_pszAppName);
        Note(std::string("afxapp ") + AfxGetAppName());
        Note(std::string("exe ") + m_pszExeName);
        Note(std::string("help ") + m_pszHelpFilePath);
        Note(std::string("profile ") + m_pszProfileName);
        UINT mode = ::SetErrorMode(0);
        Note("errormode " + std::to_string(mode & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)));
        Note(std::string("instance ") + (m_hInstance == ::GetModuleHandleA(nullptr) ? "ok" : "wrong"));
        // A main window left standing when InitInstance fails goes with the start.
        m_main.m_hWnd = ::CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                          m_hInstance, nullptr);
        m_pMainWnd = &m_main;
        return FALSE;
    }

    int ExitInstance() override
    {
        Note("step ExitInstance");
        Note(std::string("mainwindow ") + (::IsWindow(m_main.m_hWnd) ? "standing" : "gone"));
        char path[MAX_PATH];
        if (::GetEnvironmentVariableA("KAVRIN_START_LOG", path, MAX_PATH)) {
            if (FILE* f = std::fopen(path, "wb")) {
                std::fwrite(g_log.data(), 1, g_log.size(), f);
                std::fclose(f);
            }
        }
        return 7;
    }

private:
    CWnd m_main;
};

ProbeApp theApp;

}  // namespace
