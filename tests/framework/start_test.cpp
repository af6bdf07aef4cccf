// The entry point as a program gets it: the probe runs under its own file names and reports.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <map>

#include <windows.h>

namespace {

std::string Directory(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

struct ProbeRun {
    DWORD exitCode = 0;
    std::map<std::string, std::string> facts;
    std::string steps;
};

ProbeRun RunProbe(const std::string& dir, const std::string& exe)
{
    ProbeRun run;
    // The log's own path stays ASCII: only the probe's name is under test.
    std::string log = dir + "fw_start_probe.log";
    ::SetEnvironmentVariableA("KAVRIN_START_LOG", log.c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string commandLine = "\"" + exe + "\" --ignored argument";
    if (!::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << exe;
        return run;
    }
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pi.hProcess, 30000));
    ::GetExitCodeProcess(pi.hProcess, &run.exitCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);

    std::ifstream in(log, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t space = line.find(' ');
        std::string key = line.substr(0, space), value = line.substr(space + 1);
        if (key == "step")
            run.steps += value + ";";
        else
            run.facts[key] = value;
    }
    in.close();
    ::DeleteFileA(log.c_str());
    return run;
}

TEST(FrameworkStart, ProbeGetsItsNamesFromItsFileNameAndRunsTheStepsInOrder)
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string dir = Directory(self);

    // The probe as built (several dots), and a copy whose name holds "ソ" (second byte 0x5C).
    struct Case { std::string file, appName; };
    const Case cases[] = {{"fw_start.b.exe", "fw_start.b"}, {"fw ソ表.exe", "fw ソ表"}};
    const std::string built = dir + cases[0].file;
    for (const Case& c : cases) {
        const std::string exe = dir + c.file;
        if (exe != built)
            ASSERT_TRUE(::CopyFileA(built.c_str(), exe.c_str(), FALSE)) << exe;
        ProbeRun run = RunProbe(dir, exe);
        if (exe != built)
            ::DeleteFileA(exe.c_str());

        const std::string stem = exe.substr(0, exe.rfind('.'));
        EXPECT_EQ("InitApplication;InitInstance;ExitInstance;", run.steps) << c.file;
        EXPECT_EQ(c.appName, run.facts["app"]) << c.file;
        EXPECT_EQ(c.appName, run.facts["afxapp"]) << c.file;
        EXPECT_EQ(c.appName, run.facts["exe"]) << c.file;
        EXPECT_STRCASEEQ((stem + ".HLP").c_str(), run.facts["help"].c_str()) << c.file;
        EXPECT_EQ(c.appName + ".INI", run.facts["profile"]) << c.file;
        EXPECT_EQ(std::to_string(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX), run.facts["errormode"]);
        EXPECT_EQ("ok", run.facts["instance"]);
        EXPECT_EQ("gone", run.facts["mainwindow"]);
        EXPECT_EQ(7u, run.exitCode) << "the exit code is ExitInstance's";
    }
}

}  // namespace
