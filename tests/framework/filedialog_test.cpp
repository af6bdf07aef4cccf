// CFileDialog: the filter conversion, and the system's open and save dialogs run for real.
#include <gtest/gtest.h>

#include <fstream>

#include "test_support.h"
#include "testlib.h"

using namespace kavrin::testlib;

namespace {

// A literal with its embedded zeros, without the one that ends it.
template <size_t N> std::string Bytes(const char (&literal)[N]) { return std::string(literal, N - 1); }

TEST(FileDialogFilter, BarsBecomeZerosButNeverInsideADoubleByteCharacter)
{
    struct Case { const char* filter; std::string expected; };
    const Case cases[] = {
        {"AVIﾌｧｲﾙ(*.avi)|*.avi||", Bytes("AVIﾌｧｲﾙ(*.avi)\0*.avi\0\0\0\0")},
        {"WAVEﾌｧｲﾙ(*.wav)|*.wav||", Bytes("WAVEﾌｧｲﾙ(*.wav)\0*.wav\0\0\0\0")},
        // "ポ" is 0x83 0x7C: its second byte is the code of "|".
        {"ポ(*.a)|*.a|表(*.b)|*.b||", Bytes("ポ(*.a)\0*.a\0表(*.b)\0*.b\0\0\0\0")},
        {"", Bytes("\0\0")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CFileDialog::ConvertFilter(c.filter, 932)) << c.filter;
}

class FileDialogTest : public ::testing::Test {
protected:
    FileDialogTest()
    {
        char dir[MAX_PATH];
        ::GetTempPathA(MAX_PATH, dir);
        path_ = std::string(dir) + "kavrin-fw-" + std::to_string(::GetCurrentProcessId()) + ".avi";
        std::ofstream(path_) << "x";
        app.m_pMainWnd = &owner;
    }
    ~FileDialogTest() override
    {
        app.m_pMainWnd = nullptr;
        ::DeleteFileA(path_.c_str());
    }

    std::string path_;
    TestApp app;
    OwnerWindow owner{60, 80, 700, 560};
};

const DWORD kFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;

TEST_F(FileDialogTest, ChosenFileComesBackAsTheFullPath)
{
    for (BOOL open : {TRUE, FALSE}) {
        CFileDialog dialog(open, nullptr, nullptr, kFlags, "AVIﾌｧｲﾙ(*.avi)|*.avi||");
        EXPECT_EQ(kFlags | OFN_ENABLEHOOK | OFN_ENABLESIZING | OFN_EXPLORER, dialog.m_ofn.Flags);
        EXPECT_EQ(DWORD(MAX_PATH), dialog.m_ofn.nMaxFile);

        HWND box = nullptr;
        BOOL ownerEnabled = TRUE;
        RECT shown = {}, over = {};
        ModalScript script;
        script.When("file dialog shown", [&] { return (box = FindDialog(owner.m_hWnd)) != nullptr; },
                    [&] {
                        ownerEnabled = ::IsWindowEnabled(owner.m_hWnd);
                        ::GetWindowRect(box, &shown);
                        ::GetWindowRect(owner.m_hWnd, &over);
                        ::SetDlgItemTextA(box, cmb13, path_.c_str());
                        ::SetDlgItemTextA(box, edt1, path_.c_str());
                        PostCommand(box, IDOK);
                    });
        EXPECT_EQ(IDOK, dialog.DoModal()) << "open=" << open;
        EXPECT_TRUE(script.Finished());
        EXPECT_STRCASEEQ(path_.c_str(), dialog.GetPathName()) << "open=" << open;
        EXPECT_FALSE(ownerEnabled);
        EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
        EXPECT_NEAR((over.left + over.right) / 2, (shown.left + shown.right) / 2, 2);
        EXPECT_NEAR((over.top + over.bottom) / 2, (shown.top + shown.bottom) / 2, 2);
    }
}

TEST_F(FileDialogTest, CancelGivesIdcancelAndNoPath)
{
    CFileDialog dialog(TRUE, nullptr, nullptr, kFlags, "AVIﾌｧｲﾙ(*.avi)|*.avi||");
    ModalScript script;
    script.When("file dialog shown", [&] { return FindDialog(owner.m_hWnd) != nullptr; },
                [&] { PostCommand(FindDialog(owner.m_hWnd), IDCANCEL); });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ("", dialog.GetPathName().str());
}

}  // namespace
