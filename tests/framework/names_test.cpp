// The names a process derives from its executable's path, and the application object's use of them.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct NameCase {
    const char* path;
    const char* exeName;
    const char* helpPath;
};

// Code page 932 bytes: "ソ" is 0x83 0x5C, its second byte the code of "\".
const NameCase kNameCases[] = {
    {"C:\\Tools\\Kavrin.EXE", "Kavrin", "C:\\Tools\\Kavrin.HLP"},
    {"C:\\Tools\\a.b.exe", "a.b", "C:\\Tools\\a.b.HLP"},
    {"C:\\ツール\\ソフト.exe", "ソフト", "C:\\ツール\\ソフト.HLP"},
    {"C:\\ソ\\表.exe", "表", "C:\\ソ\\表.HLP"},           // "ソ" ends a directory name
    {"Z:/srv/bin/Kavrin.exe", "Kavrin", "Z:/srv/bin/Kavrin.HLP"},
    {"C:Kavrin.exe", "Kavrin", "C:Kavrin.HLP"},
    {"Kavrin.exe", "Kavrin", "Kavrin.HLP"},
    {"C:\\Tools\\Kavrin", "Kavrin", "C:\\Tools\\Kavrin.HLP"},           // no "." at all
    {"C:\\v1.2\\Kavrin", "Kavrin", "C:\\v1.2\\Kavrin.HLP"},              // "." only in a directory
    {"C:\\Tools\\.hidden", "", "C:\\Tools\\.HLP"},
};

TEST(DeriveModuleNames, CutsAndSplitsCharacterByCharacter)
{
    for (const NameCase& c : kNameCases) {
        ModuleNames names = DeriveModuleNames(c.path, 932);
        EXPECT_EQ(c.exeName, names.exeName) << c.path;
        EXPECT_EQ(c.helpPath, names.helpPath) << c.path;
        EXPECT_EQ(std::string(c.exeName) + ".INI", names.profileName) << c.path;
    }
}

TEST(DeriveModuleNames, ByteWiseSearchWouldCutSo)
{
    // The same bytes read in a code page without double-byte characters split at ソ's second byte.
    EXPECT_EQ("フト", DeriveModuleNames("C:\\ソフト.exe", 1252).exeName);
    EXPECT_EQ("ソフト", DeriveModuleNames("C:\\ソフト.exe", 932).exeName);
}

TEST(ApplicationNames, RealExecutableNamesTheApplication)
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full = path;
    std::string stem = full.substr(0, full.rfind('.'));
    std::string file = stem.substr(stem.find_last_of("\\/:") + 1);

    TestApp app;
    EXPECT_EQ(file, app.m_pszExeName);
    EXPECT_EQ(file, app.m_pszAppName);
    EXPECT_EQ(file, AfxGetAppName());
    EXPECT_EQ(stem + ".HLP", app.m_pszHelpFilePath);
    EXPECT_EQ(file + ".INI", app.m_pszProfileName);
    EXPECT_EQ(&app, AfxGetApp());

    app.SetRegistryKey("Brenwick!");
    EXPECT_STREQ("Brenwick!", app.m_pszRegistryKey);
    EXPECT_EQ(file, app.m_pszProfileName);
}

TEST(ApplicationNames, GivenPathsSetTheNamesAndANameGivenToTheConstructorStays)
{
    {
        CWinApp app;
        app.Start(::GetModuleHandleA(nullptr), "C:\\ソフト\\ソ.b.exe");
        EXPECT_STREQ("ソ.b", app.m_pszAppName);
        EXPECT_STREQ("C:\\ソフト\\ソ.b.HLP", app.m_pszHelpFilePath);
    }
    CWinApp named("Given");
    named.Start(::GetModuleHandleA(nullptr), "C:\\x\\Other.exe");
    EXPECT_STREQ("Given", named.m_pszAppName);
    EXPECT_STREQ("Other", named.m_pszExeName);
    EXPECT_STREQ("Given", AfxGetAppName());
}

TEST(FrameworkStart, ThreeDimensionalLookNeedsNothingOnCurrentWindows)
{
    AfxEnableControlContainer();
    EXPECT_TRUE(Enable3dControlsStatic());
}

}  // namespace
