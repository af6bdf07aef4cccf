// The real program, started as a person would start it: its name from its file name, the settings
// under that name, the job's messages under it, and the settings stored when the window closes.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "registry_support.h"
#include "resource.h"
#include "testlib.h"

using namespace kavrin::testlib;

namespace {

struct Found {
    DWORD pid;
    const char* caption;  // nullptr: any
    HWND hwnd;
};

BOOL CALLBACK FindOfProcess(HWND hwnd, LPARAM lParam)
{
    Found* f = reinterpret_cast<Found*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == f->pid && ::IsWindowVisible(hwnd) && std::string(cls) == "#32770"
        && (!f->caption || WindowText(hwnd) == f->caption)) {
        f->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of that process with that caption, waited for up to 10 s.
HWND WaitForWindow(DWORD pid, const char* caption)
{
    for (int i = 0; i < 200; ++i) {
        Found f{pid, caption, nullptr};
        ::EnumWindows(&FindOfProcess, reinterpret_cast<LPARAM>(&f));
        if (f.hwnd)
            return f.hwnd;
        ::Sleep(50);
    }
    return nullptr;
}

// A control of another process: GetWindowText would not ask it, WM_GETTEXT does.
std::string FieldText(HWND control)
{
    char text[512] = "";
    ::SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ReadString(const std::string& key, const char* value)
{
    char data[512] = "";
    DWORD size = sizeof data - 1, type = 0;
    HKEY h;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return "<no key>";
    LONG rc = ::RegQueryValueExA(h, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    ::RegCloseKey(h);
    return rc == ERROR_SUCCESS ? std::string(data) : "<no value>";
}

TEST(KavrinExe, NamedAfterItsFileSettingsUnderThatNameStoredOnClose)
{
    const std::string built = WinePath(EnvVar("KAVRIN_BINARY_DIR") + "/src/app/Kavrin.exe");
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    // Several dots: everything before the last one is the application name.
    const std::string appName = "kavrin-apptest.b";
    const std::string exe = std::string(temp) + appName + ".exe";
    ASSERT_TRUE(::CopyFileA(built.c_str(), exe.c_str(), FALSE)) << built;

    const std::string key = "software\\Brenwick!\\" + appName;
    const std::string section = key + "\\Settings";
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &h, nullptr));
    ::RegSetValueExA(h, "AVI", 0, REG_SZ, reinterpret_cast<const BYTE*>("pre.avi"), 8);
    DWORD buffer = 555;
    ::RegSetValueExA(h, "WAVEBUFFER", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&buffer), sizeof buffer);
    ::RegCloseKey(h);

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string commandLine = "\"" + exe + "\" --ignored argument";
    ASSERT_TRUE(::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));

    HWND dlg = WaitForWindow(pi.dwProcessId, "Kavrin");
    std::string aviField, bufferField, jobCaption;
    if (dlg) {
        aviField = FieldText(::GetDlgItem(dlg, IDC_AVI_PATH));
        bufferField = FieldText(::GetDlgItem(dlg, IDC_WAVE_BUFFER));
        // No new AVI path: the job refuses, under the application name.
        ::PostMessageA(::GetDlgItem(dlg, IDC_EXECUTE), BM_CLICK, 0, 0);
        HWND box = WaitForWindow(pi.dwProcessId, appName.c_str());
        if (box) {
            jobCaption = WindowText(box);
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        for (int i = 0; i < 100 && box && ::IsWindow(box); ++i)
            ::Sleep(50);
        ::SendMessageA(::GetDlgItem(dlg, IDC_WAVE_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed.wav"));
        ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    const DWORD waited = ::WaitForSingleObject(pi.hProcess, 15000);
    if (waited != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::DeleteFileA(exe.c_str());

    ASSERT_NE(nullptr, dlg) << "no main window appeared";
    EXPECT_EQ(WAIT_OBJECT_0, waited) << "the process outlived its dialog";
    EXPECT_EQ("pre.avi", aviField);
    EXPECT_EQ("555", bufferField);
    EXPECT_EQ(appName, jobCaption);
    EXPECT_EQ("pre.avi", ReadString(section, "AVI"));
    EXPECT_EQ("typed.wav", ReadString(section, "WAVE"));
    EXPECT_EQ("", ReadString(section, "NEWAVI"));
    DeleteKeyTree(HKEY_CURRENT_USER, key);
}

}  // namespace
