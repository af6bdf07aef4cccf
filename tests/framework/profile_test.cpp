// The profile functions against the real registry of the test's Wine prefix. Each test works under an
// application name of its own and removes its key afterwards; other tests run at the same time.
#include <gtest/gtest.h>

#include <vector>

#include "registry_support.h"
#include "test_support.h"

namespace {

const char kCompany[] = "Brenwick!";

std::string AppKeyPath(const char* app) { return std::string("software\\") + kCompany + "\\" + app; }

void DeleteAppKey(const char* app) { DeleteKeyTree(HKEY_CURRENT_USER, AppKeyPath(app)); }

// Raw value as the registry holds it.
bool ReadRaw(const char* app, const char* name, DWORD* type, std::vector<BYTE>* data)
{
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, (AppKeyPath(app) + "\\Settings").c_str(), 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG rc = ::RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    data->assign(size, 0);
    if (rc == ERROR_SUCCESS)
        rc = ::RegQueryValueExA(key, name, nullptr, type, data->data(), &size);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void WriteRaw(const char* app, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, (AppKeyPath(app) + "\\Settings").c_str(), 0,
                                               nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

class ProfileTest : public ::testing::Test {
protected:
    explicit ProfileTest(const char* name = "KavrinTest-Profile") : name_(name), app(name)
    {
        DeleteAppKey(name_);
        app.SetRegistryKey(kCompany);
    }
    ~ProfileTest() override { DeleteAppKey(name_); }

    const char* name_;
    TestApp app;
};

TEST_F(ProfileTest, TextsAndNumbersComeBackAsWrittenInTheirRegistryForm)
{
    EXPECT_TRUE(app.WriteProfileString("Settings", "AVI", "C:\\動画\\ソース.avi"));
    EXPECT_TRUE(app.WriteProfileString("Settings", "Empty", ""));
    EXPECT_TRUE(app.WriteProfileInt("Settings", "N", -20));

    EXPECT_EQ("C:\\動画\\ソース.avi", app.GetProfileString("Settings", "AVI", "d").str());
    EXPECT_EQ("", app.GetProfileString("Settings", "Empty", "d").str());
    EXPECT_EQ(-20, static_cast<int>(app.GetProfileInt("Settings", "N", 4096)));

    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRaw(name_, "AVI", &type, &data));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(std::string("C:\\動画\\ソース.avi") + '\0', std::string(data.begin(), data.end()));
    ASSERT_TRUE(ReadRaw(name_, "Empty", &type, &data));
    EXPECT_EQ(std::vector<BYTE>{0}, data) << "an empty text is one zero byte";
    ASSERT_TRUE(ReadRaw(name_, "N", &type, &data));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ((std::vector<BYTE>{0xEC, 0xFF, 0xFF, 0xFF}), data);
}

TEST_F(ProfileTest, MissingValuesAndOddDataGiveTheDefaults)
{
    EXPECT_EQ("dflt", app.GetProfileString("Settings", "Nothing", "dflt").str());
    EXPECT_EQ("", app.GetProfileString("Settings", "Nothing").str());
    EXPECT_EQ(4096u, app.GetProfileInt("Settings", "Nothing", 4096));

    struct Case { const char* what; DWORD type; std::vector<BYTE> data; int expected; };
    const Case cases[] = {
        {"number saved as text", REG_SZ, {'4', '0', '9', '6', 0}, 4096},
        {"eight bytes", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, 4096},
        {"two bytes", REG_BINARY, {0x10, 0x00}, 4096},
        {"no bytes", REG_BINARY, {}, 4096},
        {"four bytes of another type", REG_BINARY, {0x00, 0x02, 0x00, 0x00}, 512},
        {"zero", REG_DWORD, {0, 0, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        WriteRaw(name_, "WAVEBUFFER", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        EXPECT_EQ(c.expected, static_cast<int>(app.GetProfileInt("Settings", "WAVEBUFFER", 4096))) << c.what;
    }
}

TEST_F(ProfileTest, TextWithoutItsZeroStillEnds)
{
    WriteRaw(name_, "T", REG_BINARY, "abc", 3);
    EXPECT_EQ("abc", app.GetProfileString("Settings", "T").str());
    WriteRaw(name_, "T", REG_SZ, "ab\0cd", 6);
    EXPECT_EQ("ab", app.GetProfileString("Settings", "T").str());
}

TEST_F(ProfileTest, UnreachableSoftwareKeyGivesDefaultsAndWritesNothing)
{
    // HKCU stands for an empty key of our own while this runs: no "software" beneath it to open.
    const std::string rootPath = AppKeyPath(name_) + "-root";
    HKEY root;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, rootPath.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, &root, nullptr));
    app.WriteProfileString("Settings", "AVI", "stored");
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, root));

    CString text = app.GetProfileString("Settings", "AVI", "dflt");
    UINT number = app.GetProfileInt("Settings", "WAVEBUFFER", 4096);
    BOOL wroteText = app.WriteProfileString("Settings", "AVI", "x");
    BOOL wroteNumber = app.WriteProfileInt("Settings", "WAVEBUFFER", 1);
    bool createdSoftware = KeyExists(root, "software");

    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(root);
    DeleteKeyTree(HKEY_CURRENT_USER, rootPath);

    EXPECT_EQ("dflt", text.str());
    EXPECT_EQ(4096u, number);
    EXPECT_FALSE(wroteText);
    EXPECT_FALSE(wroteNumber);
    EXPECT_FALSE(createdSoftware) << "\"software\" is opened, never created";
    EXPECT_EQ("stored", app.GetProfileString("Settings", "AVI", "dflt").str()) << "the real key was touched";
}

TEST_F(ProfileTest, KeysAreCreatedDownToTheSectionOnFirstRead)
{
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, AppKeyPath(name_)));
    app.GetProfileString("Settings", "AVI");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, AppKeyPath(name_) + "\\Settings"));
}

}  // namespace
