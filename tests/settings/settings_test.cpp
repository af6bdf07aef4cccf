// The load and store of the merge settings against the registry of the test's Wine prefix. Each test
// uses an application name of its own ("KavrinTest-...") and removes its key afterwards.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "framework.h"
#include "registry_support.h"
#include "settings.h"

namespace {

struct Raw {
    DWORD type = REG_NONE;
    std::string data;
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        name_ = std::string("KavrinTest-Settings-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        DeleteKeyTree(HKEY_CURRENT_USER, AppKey());
    }
    void TearDown() override { DeleteKeyTree(HKEY_CURRENT_USER, AppKey()); }

    std::string AppKey(const std::string& name = "") const
    {
        return "software\\Brenwick!\\" + (name.empty() ? name_ : name);
    }

    // The application as the start-up leaves it: its name, then the registry key.
    std::unique_ptr<CWinApp> MakeApp(const std::string& name = "")
    {
        auto app = std::make_unique<CWinApp>((name.empty() ? name_ : name).c_str());
        app->SetRegistryKey("Brenwick!");
        return app;
    }

    bool ReadRaw(const char* value, Raw* raw, const std::string& name = "")
    {
        HKEY key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, (AppKey(name) + "\\Settings").c_str(), 0, KEY_READ, &key)
            != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        LONG rc = ::RegQueryValueExA(key, value, nullptr, &raw->type, nullptr, &size);
        raw->data.assign(size, '\0');
        if (rc == ERROR_SUCCESS)
            rc = ::RegQueryValueExA(key, value, nullptr, &raw->type, reinterpret_cast<BYTE*>(&raw->data[0]), &size);
        ::RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }

    void WriteRaw(const char* value, DWORD type, const std::string& data)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, (AppKey() + "\\Settings").c_str(), 0,
                                                   nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        ::RegSetValueExA(key, value, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                         static_cast<DWORD>(data.size()));
        ::RegCloseKey(key);
    }

    DWORD ValueCount()
    {
        HKEY key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, (AppKey() + "\\Settings").c_str(), 0, KEY_READ, &key)
            != ERROR_SUCCESS)
            return ~0u;
        DWORD count = 0;
        ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                           nullptr, nullptr);
        ::RegCloseKey(key);
        return count;
    }

    std::string name_;
};

struct Values {
    CString avi = "old avi", wave = "old wave", newAvi = "old new";
    int buffer = -1;
};

void Load(CWinApp& app, Values& v) { settings::Load(app, v.avi, v.wave, v.newAvi, v.buffer); }
void Store(CWinApp& app, Values& v) { settings::Store(app, v.avi, v.wave, v.newAvi, v.buffer); }

std::string Dword(int value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

TEST_F(SettingsTest, FirstStartGivesDefaultsAndCreatesTheKeysWithoutValues)
{
    auto app = MakeApp();
    Values v;
    Load(*app, v);
    EXPECT_EQ("", v.avi.str());
    EXPECT_EQ("", v.wave.str());
    EXPECT_EQ("", v.newAvi.str());
    EXPECT_EQ(4096, v.buffer);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, AppKey() + "\\Settings"));
    EXPECT_EQ(0u, ValueCount());
}

TEST_F(SettingsTest, StoredValuesComeBackAtTheNextStartInTheirRegistryForm)
{
    Values stored;
    stored.avi = "C:\\動画\\ソース.avi";
    stored.wave = "Z:\\音声\\表示.wav";
    stored.newAvi = "C:\\出力\\新規ソ.avi";
    stored.buffer = 2048;
    Store(*MakeApp(), stored);

    Values loaded;
    Load(*MakeApp(), loaded);
    EXPECT_EQ(stored.avi, loaded.avi);
    EXPECT_EQ(stored.wave, loaded.wave);
    EXPECT_EQ(stored.newAvi, loaded.newAvi);
    EXPECT_EQ(2048, loaded.buffer);

    Raw raw;
    ASSERT_TRUE(ReadRaw("AVI", &raw));
    EXPECT_EQ(DWORD(REG_SZ), raw.type);
    EXPECT_EQ(stored.avi.str() + '\0', raw.data);
    ASSERT_TRUE(ReadRaw("WAVEBUFFER", &raw));
    EXPECT_EQ(DWORD(REG_DWORD), raw.type);
    EXPECT_EQ(Dword(2048), raw.data);
}

TEST_F(SettingsTest, EmptyPathsAreStoredAsOneZeroByte)
{
    Values v;
    v.avi = v.wave = v.newAvi = "";
    v.buffer = 100;
    Store(*MakeApp(), v);
    for (const char* name : {"AVI", "WAVE", "NEWAVI"}) {
        Raw raw;
        ASSERT_TRUE(ReadRaw(name, &raw)) << name << " was removed instead of emptied";
        EXPECT_EQ(DWORD(REG_SZ), raw.type) << name;
        EXPECT_EQ(std::string(1, '\0'), raw.data) << name;
    }
    Values loaded;
    Load(*MakeApp(), loaded);
    EXPECT_EQ("", loaded.avi.str());
}

TEST_F(SettingsTest, BufferSizeOfZeroOrBelowIsStoredAs4096)
{
    for (int given : {0, -20, INT_MIN}) {
        Values v;
        v.buffer = given;
        Store(*MakeApp(), v);
        EXPECT_EQ(4096, v.buffer) << given;
        Raw raw;
        ASSERT_TRUE(ReadRaw("WAVEBUFFER", &raw));
        EXPECT_EQ(Dword(4096), raw.data) << given;
    }
}

TEST_F(SettingsTest, StoredBufferSizesAreLoadedAsTheyStand)
{
    struct Case { const char* what; DWORD type; std::string data; int expected; };
    const Case cases[] = {
        {"zero", REG_DWORD, Dword(0), 0},
        {"negative", REG_DWORD, Dword(-20), -20},
        {"largest", REG_DWORD, Dword(INT_MAX), INT_MAX},
        {"the number saved as text", REG_SZ, std::string("4096", 5), 4096},
        {"three bytes of text", REG_SZ, std::string("12", 3), 4096},  // too short: missing
        {"two bytes", REG_BINARY, std::string("\x10\x00", 2), 4096},
    };
    for (const Case& c : cases) {
        WriteRaw("WAVEBUFFER", c.type, c.data);
        Values v;
        Load(*MakeApp(), v);
        EXPECT_EQ(c.expected, v.buffer) << c.what;
    }
}

TEST_F(SettingsTest, TextBufferSizeIsWrittenBackAsANumber)
{
    WriteRaw("WAVEBUFFER", REG_SZ, std::string("4096", 5));
    auto app = MakeApp();
    Values v;
    Load(*app, v);
    Store(*app, v);
    Raw raw;
    ASSERT_TRUE(ReadRaw("WAVEBUFFER", &raw));
    EXPECT_EQ(DWORD(REG_DWORD), raw.type);
    EXPECT_EQ(Dword(4096), raw.data);
}

TEST_F(SettingsTest, MissingValueTakesItsDefaultAndTheOthersAreRead)
{
    WriteRaw("WAVE", REG_SZ, std::string("w.wav", 6));
    WriteRaw("WAVEBUFFER", REG_DWORD, Dword(512));
    Values v;
    Load(*MakeApp(), v);
    EXPECT_EQ("", v.avi.str());
    EXPECT_EQ("w.wav", v.wave.str());
    EXPECT_EQ("", v.newAvi.str());
    EXPECT_EQ(512, v.buffer);
}

TEST_F(SettingsTest, UnreachableSoftwareKeyGivesDefaultsAndWritesNothing)
{
    WriteRaw("AVI", REG_SZ, std::string("kept.avi", 9));
    const std::string rootPath = AppKey() + "-root";
    HKEY root;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, rootPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &root, nullptr));
    auto app = MakeApp();
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, root));
    Values loaded;
    Load(*app, loaded);
    Values stored;
    stored.avi = "new.avi";
    Store(*app, stored);
    bool wroteUnderRoot = KeyExists(root, "software");
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(root);
    DeleteKeyTree(HKEY_CURRENT_USER, rootPath);

    EXPECT_EQ("", loaded.avi.str());
    EXPECT_EQ(4096, loaded.buffer);
    EXPECT_FALSE(wroteUnderRoot);
    Raw raw;
    ASSERT_TRUE(ReadRaw("AVI", &raw));
    EXPECT_EQ(std::string("kept.avi", 9), raw.data);
    EXPECT_FALSE(ReadRaw("WAVEBUFFER", &raw));
}

TEST_F(SettingsTest, AnotherApplicationNameKeepsItsOwnKey)
{
    const std::string other = name_ + "-copy";
    DeleteKeyTree(HKEY_CURRENT_USER, AppKey(other));
    Values first;
    first.avi = "first.avi";
    first.buffer = 300;
    Store(*MakeApp(), first);

    Values copy;
    Load(*MakeApp(other), copy);
    EXPECT_EQ("", copy.avi.str());
    EXPECT_EQ(4096, copy.buffer);
    copy.avi = "copy.avi";
    Store(*MakeApp(other), copy);

    Values again;
    Load(*MakeApp(), again);
    EXPECT_EQ("first.avi", again.avi.str());
    EXPECT_EQ(300, again.buffer);
    Raw raw;
    EXPECT_TRUE(ReadRaw("AVI", &raw, other));
    EXPECT_EQ(std::string("copy.avi", 9), raw.data);
    DeleteKeyTree(HKEY_CURRENT_USER, AppKey(other));
}

}  // namespace
