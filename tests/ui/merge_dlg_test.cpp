// The main dialog under Wine, driven through the real message queue: first start, the Enter and Esc
// keys, closing and storing, merges started from the dialog, the buffer field and the save dialog.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MergeDlg.h"
#include "avifile.h"
#include "framework.h"
#include "registry_support.h"
#include "resource.h"
#include "settings.h"
#include "testlib.h"

using namespace kavrin::testlib;

namespace {

const char kQuestion[] = "合成しますか？";
const char kConfirm[] = "確認";
const char kParsePrompt[] = "整数を入力してください。";
const char kSuccess[] = "ファイルの合成に成功しました";
const char kNewAviFailure[] =
    "実行できませんでした。: New AVI File\nファイル名（拡張子を含める）を\n再度、確認後、実行してください";

std::string TempPath(const std::string& name)
{
    char folder[MAX_PATH];
    ::GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A video-only AVI of `frames` small frames, written with our own media library.
void WriteTinyAvi(const std::string& path, int frames)
{
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIERR_OK, AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr));
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = mmioFOURCC('M', 'J', 'P', 'G');
    info.dwScale = 1, info.dwRate = 10;
    info.rcFrame = {0, 0, 16, 16};
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIERR_OK, AVIFileCreateStreamA(file, &stream, &info));
    BITMAPINFOHEADER format = {};
    format.biSize = sizeof format;
    format.biWidth = 16, format.biHeight = 16, format.biPlanes = 1, format.biBitCount = 24;
    format.biCompression = info.fccHandler;
    ASSERT_EQ(AVIERR_OK, AVIStreamSetFormat(stream, 0, &format, sizeof format));
    for (int i = 0; i < frames; ++i) {
        std::vector<unsigned char> frame(100 + i, static_cast<unsigned char>(i));
        ASSERT_EQ(AVIERR_OK, AVIStreamWrite(stream, i, 1, frame.data(), static_cast<LONG>(frame.size()),
                                            AVIIF_KEYFRAME, nullptr, nullptr));
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    ASSERT_EQ(AVIERR_OK, AVIFileGetCloseResult());
}

// A 16-bit mono PCM WAVE file of `samples` samples, written byte by byte.
void WriteTinyWave(const std::string& path, uint32_t samples)
{
    auto u32 = [](std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); };
    std::string data(samples * 2, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    std::string riff = "WAVEfmt ";
    u32(riff, 16);
    u16(riff, 1), u16(riff, 1), u32(riff, 8000), u32(riff, 16000), u16(riff, 2), u16(riff, 16);
    riff += "data";
    u32(riff, static_cast<uint32_t>(data.size()));
    riff += data;
    std::string file = "RIFF";
    u32(file, static_cast<uint32_t>(riff.size()));
    file += riff;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    ::WriteFile(h, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    ::CloseHandle(h);
    ASSERT_EQ(file.size(), written);
}

LONG StreamLength(const std::string& path, DWORD type)
{
    PAVISTREAM stream = nullptr;
    if (AVIStreamOpenFromFileA(&stream, path.c_str(), type, 0, OF_SHARE_DENY_NONE, nullptr) != AVIERR_OK)
        return -1;
    LONG length = AVIStreamLength(stream);
    AVIStreamRelease(stream);
    return length;
}

// The application as the start-up leaves it, under a registry name of the test's own, which is
// removed before and after the test.
class MergeDlgTest : public ::testing::Test {
protected:
    MergeDlgTest()
        : name_(std::string("KavrinTest-MergeDlg-")
                + ::testing::UnitTest::GetInstance()->current_test_info()->name()),
          app(name_.c_str())
    {
        DeleteKeyTree(HKEY_CURRENT_USER, Key());
        app.Start(::GetModuleHandleA(nullptr));
        app.SetRegistryKey("Brenwick!");
        AVIFileInit();
    }
    ~MergeDlgTest() override
    {
        AVIFileExit();
        app.m_pMainWnd = nullptr;
        DeleteKeyTree(HKEY_CURRENT_USER, Key());
    }

    std::string Key() const { return "software\\Brenwick!\\" + name_; }

    // What a later start would load.
    void LoadStored(CString& avi, CString& wave, CString& newAvi, int& buffer)
    {
        settings::Load(app, avi, wave, newAvi, buffer);
    }

    void PreloadBuffer(int buffer)
    {
        CString empty;
        settings::Store(app, empty, empty, empty, buffer);
    }

    // The dialog once it shows and has the focus (which trails its showing by a moment).
    static bool Shown(CMergeDlg& dlg)
    {
        return dlg.m_hWnd && ::IsWindowVisible(dlg.m_hWnd) && ::GetActiveWindow() == dlg.m_hWnd;
    }

    std::string name_;
    CWinApp app;
};

TEST_F(MergeDlgTest, FirstStartShowsDefaultsFocusOnExitAndTheVersionItem)
{
    CMergeDlg dlg(nullptr);
    app.m_pMainWnd = &dlg;
    EXPECT_NE(nullptr, dlg.m_hIcon);

    std::string fields[4];
    bool focusOnExit = false;
    HICON bigIcon = nullptr, smallIcon = nullptr, dragIcon = nullptr;
    int items = 0;
    MENUITEMINFOA separator = {}, version = {};
    char versionText[128] = "";
    ModalScript script;
    script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
        HWND h = dlg.m_hWnd;
        fields[0] = ControlText(h, IDC_AVI_PATH);
        fields[1] = ControlText(h, IDC_WAVE_PATH);
        fields[2] = ControlText(h, IDC_NEWAVI_PATH);
        fields[3] = ControlText(h, IDC_WAVE_BUFFER);
        focusOnExit = ::GetFocus() == ::GetDlgItem(h, IDCANCEL);
        bigIcon = (HICON)::SendMessageA(h, WM_GETICON, ICON_BIG, 0);
        smallIcon = (HICON)::SendMessageA(h, WM_GETICON, ICON_SMALL, 0);
        dragIcon = (HICON)::SendMessageA(h, WM_QUERYDRAGICON, 0, 0);
        HMENU menu = ::GetSystemMenu(h, FALSE);
        items = ::GetMenuItemCount(menu);
        separator.cbSize = version.cbSize = sizeof(MENUITEMINFOA);
        separator.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoA(menu, items - 2, TRUE, &separator);
        version.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        version.dwTypeData = versionText;
        version.cch = sizeof versionText;
        ::GetMenuItemInfoA(menu, items - 1, TRUE, &version);
        SaveScreenshot("main-dialog");
        PostClick(::GetDlgItem(h, IDCANCEL));
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    ASSERT_TRUE(script.Finished());

    EXPECT_EQ("", fields[0]);
    EXPECT_EQ("", fields[1]);
    EXPECT_EQ("", fields[2]);
    EXPECT_EQ("4096", fields[3]);
    EXPECT_TRUE(focusOnExit);
    EXPECT_EQ(dlg.m_hIcon, bigIcon);
    EXPECT_EQ(dlg.m_hIcon, smallIcon);
    EXPECT_EQ(dlg.m_hIcon, dragIcon);

    CString expectedText;
    ASSERT_TRUE(expectedText.LoadString(IDS_VERSION_MENU));
    ASSERT_GE(items, 2);
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
    EXPECT_FALSE(version.fType & MFT_SEPARATOR);
    EXPECT_EQ(UINT(IDM_VERSION), version.wID);
    EXPECT_EQ(expectedText.str(), std::string(versionText));
    EXPECT_EQ(nullptr, app.m_pMainWnd) << "the main window was not cleared when the dialog went";
}

TEST_F(MergeDlgTest, VersionItemOpensTheVersionBoxOverTheDialog)
{
    // The system sets the low four bits of a command for its own use; they must not hide the item.
    for (WPARAM command : {WPARAM(IDM_VERSION), WPARAM(IDM_VERSION | 0x000F)}) {
        SCOPED_TRACE(command);
        CMergeDlg dlg(nullptr);
        app.m_pMainWnd = &dlg;
        HWND hwnd = nullptr, box = nullptr;
        std::string boxCaption;
        bool mainEnabledMeanwhile = true, mainOpenAfter = false;
        ModalScript script;
        script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
            hwnd = dlg.m_hWnd;
            ::PostMessageA(hwnd, WM_SYSCOMMAND, command, 0);
        });
        script.When("version box shown", [&] { return (box = FindDialog(hwnd)) != nullptr; }, [&] {
            boxCaption = WindowText(box);
            mainEnabledMeanwhile = ::IsWindowEnabled(hwnd) != FALSE;
            PostCommand(box, IDOK);
        });
        script.When("version box closed", [&] { return !::IsWindow(box) && ::IsWindowEnabled(hwnd); }, [&] {
            mainOpenAfter = ::IsWindowVisible(hwnd) != FALSE;
            PostCommand(hwnd, IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        ASSERT_TRUE(script.Finished());
        EXPECT_EQ("ﾊﾞｰｼﾞｮﾝ情報", boxCaption);
        EXPECT_FALSE(mainEnabledMeanwhile);
        EXPECT_TRUE(mainOpenAfter);
    }
}

TEST_F(MergeDlgTest, EnterOnAnyControlOnlyAsksAndEscDoesNothing)
{
    // Enter on a browse button must not open a file dialog, on Exit must not close.
    const int controls[] = {IDCANCEL, IDC_BROWSE_AVI, IDC_BROWSE_NEWAVI, IDC_EXECUTE, IDC_AVI_PATH, IDC_WAVE_BUFFER};
    for (int id : controls) {
        SCOPED_TRACE("control " + std::to_string(id));
        MessageBoxCatcher boxes;
        boxes.Answer(IDNO);
        CMergeDlg dlg(nullptr);
        app.m_pMainWnd = &dlg;
        bool openAfterNo = false, openAfterEsc = false;
        HWND hwnd = nullptr, fileDialog = nullptr;
        std::string aviAfter, bufferAfter;
        DWORD escAt = 0;
        ModalScript script;
        script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
            hwnd = dlg.m_hWnd;
            ::SetWindowTextA(::GetDlgItem(dlg.m_hWnd, IDC_AVI_PATH), "typed.avi");
            HWND control = ::GetDlgItem(dlg.m_hWnd, id);
            ::SetFocus(control);
            PostKey(control, VK_RETURN);
        });
        script.When("question answered", [&] { return boxes.Boxes().size() == 1; }, [&] {
            openAfterNo = ::IsWindowVisible(dlg.m_hWnd) != FALSE;
            aviAfter = ControlText(dlg.m_hWnd, IDC_AVI_PATH);
            bufferAfter = ControlText(dlg.m_hWnd, IDC_WAVE_BUFFER);
            PostKey(::GetDlgItem(dlg.m_hWnd, id), VK_ESCAPE);
            escAt = ::GetTickCount();
        });
        script.When("a moment after Esc", [&] { return ::GetTickCount() - escAt > 300; }, [&] {
            openAfterEsc = ::IsWindowVisible(dlg.m_hWnd) != FALSE;
            fileDialog = FindDialog(dlg.m_hWnd);
            PostCommand(dlg.m_hWnd, IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        ASSERT_TRUE(script.Finished());

        ASSERT_EQ(1u, boxes.Boxes().size()) << "Esc or No brought a further box";
        const MessageBoxRecord& box = boxes.Boxes()[0];
        EXPECT_EQ(HexBytes(kQuestion), HexBytes(box.text));
        EXPECT_EQ(HexBytes(kConfirm), HexBytes(box.caption));
        EXPECT_EQ(UINT(MB_YESNO), box.type) << DescribeMessageBoxType(box.type);
        EXPECT_EQ(hwnd, box.owner);
        EXPECT_TRUE(openAfterNo);
        EXPECT_TRUE(openAfterEsc);
        EXPECT_EQ(nullptr, fileDialog);
        EXPECT_EQ("typed.avi", aviAfter) << "No must leave the fields alone";
        EXPECT_EQ("4096", bufferAfter);
    }
}

TEST_F(MergeDlgTest, ClosingStoresTheFieldsAsTyped)
{
    struct Case {
        const char* how;
        const char* buffer;
        int storedBuffer;
        bool prompt;
        void (*close)(HWND dlg);
    };
    const Case cases[] = {
        {"Exit button", "300", 300, false, [](HWND d) { PostClick(::GetDlgItem(d, IDCANCEL)); }},
        {"close box", "-5", 4096, false, [](HWND d) { ::PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        // A rejected buffer text: prompted once, the dialog still closes, the previous size is kept.
        {"IDCANCEL with text in the buffer", "x1", 2048, true, [](HWND d) { PostCommand(d, IDCANCEL); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        PreloadBuffer(2048);
        MessageBoxCatcher boxes;
        if (c.prompt)
            boxes.Answer(IDOK);
        CMergeDlg dlg(nullptr);
        app.m_pMainWnd = &dlg;
        HWND hwnd = nullptr;
        ModalScript script;
        script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
            hwnd = dlg.m_hWnd;
            ::SetWindowTextA(::GetDlgItem(hwnd, IDC_AVI_PATH), "C:\\in\\ソース.avi");
            ::SetWindowTextA(::GetDlgItem(hwnd, IDC_WAVE_PATH), "sound.wav");
            ::SetWindowTextA(::GetDlgItem(hwnd, IDC_NEWAVI_PATH), "out");
            ::SetWindowTextA(::GetDlgItem(hwnd, IDC_WAVE_BUFFER), c.buffer);
            c.close(hwnd);
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        ASSERT_TRUE(script.Finished());
        EXPECT_FALSE(::IsWindow(hwnd));

        ASSERT_EQ(c.prompt ? 1u : 0u, boxes.Boxes().size());
        if (c.prompt) {
            EXPECT_EQ(HexBytes(kParsePrompt), HexBytes(boxes.Boxes()[0].text));
            EXPECT_EQ(name_, boxes.Boxes()[0].caption);
        }
        CString avi, wave, newAvi;
        int buffer = 0;
        LoadStored(avi, wave, newAvi, buffer);
        EXPECT_EQ(HexBytes("C:\\in\\ソース.avi"), HexBytes(avi.str()));
        EXPECT_EQ("sound.wav", wave.str());
        EXPECT_EQ("out", newAvi.str());
        EXPECT_EQ(c.storedBuffer, buffer);
        DeleteKeyTree(HKEY_CURRENT_USER, Key());
    }
}

TEST_F(MergeDlgTest, StoredSettingsShowOnTheNextStart)
{
    CString avi = "a.avi", wave = "b.wav", newAvi = "c.avi";
    int buffer = 777;
    settings::Store(app, avi, wave, newAvi, buffer);
    CMergeDlg dlg(nullptr);
    app.m_pMainWnd = &dlg;
    std::string fields[4];
    ModalScript script;
    script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
        const int ids[] = {IDC_AVI_PATH, IDC_WAVE_PATH, IDC_NEWAVI_PATH, IDC_WAVE_BUFFER};
        for (int i = 0; i < 4; ++i)
            fields[i] = ControlText(dlg.m_hWnd, ids[i]);
        PostCommand(dlg.m_hWnd, IDCANCEL);
    });
    dlg.DoModal();
    ASSERT_TRUE(script.Finished());
    EXPECT_EQ("a.avi", fields[0]);
    EXPECT_EQ("b.wav", fields[1]);
    EXPECT_EQ("c.avi", fields[2]);
    EXPECT_EQ("777", fields[3]);
}

TEST_F(MergeDlgTest, EnterAndYesMergesTheTypedFiles)
{
    const std::string avi = TempPath("kavrin-dlg-src.avi"), wave = TempPath("kavrin-dlg-src.wav"),
                      out = TempPath("kavrin-dlg-out.avi");
    ::DeleteFileA(out.c_str());
    ASSERT_NO_FATAL_FAILURE(WriteTinyAvi(avi, 5));
    ASSERT_NO_FATAL_FAILURE(WriteTinyWave(wave, 3000));

    MessageBoxCatcher boxes;
    boxes.Answer(IDYES).Answer(IDOK);
    CMergeDlg dlg(nullptr);
    app.m_pMainWnd = &dlg;
    HWND hwnd = nullptr;
    ModalScript script;
    script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
        hwnd = dlg.m_hWnd;
        ::SetWindowTextA(::GetDlgItem(hwnd, IDC_AVI_PATH), avi.c_str());
        ::SetWindowTextA(::GetDlgItem(hwnd, IDC_WAVE_PATH), wave.c_str());
        ::SetWindowTextA(::GetDlgItem(hwnd, IDC_NEWAVI_PATH), out.c_str());
        ::SetWindowTextA(::GetDlgItem(hwnd, IDC_WAVE_BUFFER), "1000");
        PostKey(::GetDlgItem(hwnd, IDC_NEWAVI_PATH), VK_RETURN);
    });
    script.When("outcome shown", [&] { return boxes.Boxes().size() == 2; },
                [&] { PostCommand(hwnd, IDCANCEL); }, 20000);
    dlg.DoModal();
    ASSERT_TRUE(script.Finished());

    ASSERT_EQ(2u, boxes.Boxes().size());
    const MessageBoxRecord& outcome = boxes.Boxes()[1];
    EXPECT_EQ(HexBytes(kSuccess), HexBytes(outcome.text));
    EXPECT_EQ(HexBytes(kConfirm), HexBytes(outcome.caption));
    EXPECT_EQ(UINT(MB_OK), outcome.type) << DescribeMessageBoxType(outcome.type);
    EXPECT_EQ(hwnd, outcome.owner);
    ASSERT_TRUE(FileExists(out));
    EXPECT_EQ(5, StreamLength(out, streamtypeVIDEO));
    EXPECT_EQ(3000, StreamLength(out, streamtypeAUDIO));

    ::DeleteFileA(avi.c_str());
    ::DeleteFileA(wave.c_str());
    ::DeleteFileA(out.c_str());
}

TEST_F(MergeDlgTest, ExecuteButtonWithoutNewAviPathReportsItUnderTheApplicationName)
{
    MessageBoxCatcher boxes;
    boxes.Answer(IDOK);
    CMergeDlg dlg(nullptr);
    app.m_pMainWnd = &dlg;
    HWND hwnd = nullptr;
    ModalScript script;
    script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
        hwnd = dlg.m_hWnd;
        ::SetWindowTextA(::GetDlgItem(hwnd, IDC_AVI_PATH), "whatever.avi");
        PostClick(::GetDlgItem(hwnd, IDC_EXECUTE));
    });
    script.When("outcome shown", [&] { return boxes.Boxes().size() == 1; },
                [&] { PostCommand(hwnd, IDCANCEL); });
    dlg.DoModal();
    ASSERT_TRUE(script.Finished());

    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(HexBytes(kNewAviFailure), HexBytes(boxes.Boxes()[0].text));
    EXPECT_EQ(name_, boxes.Boxes()[0].caption);
    EXPECT_EQ(UINT(MB_OK), boxes.Boxes()[0].type) << DescribeMessageBoxType(boxes.Boxes()[0].type);
    EXPECT_EQ(hwnd, boxes.Boxes()[0].owner);
}

TEST_F(MergeDlgTest, BufferFieldIsReadBeforeTheJobAndShownAsUsed)
{
    struct Case {
        const char* typed;
        bool prompt;
        const char* shownAfter;
    };
    const Case cases[] = {
        {"12ab", true, "2048"},  // rejected: the previous size stays and the job still runs
        {"0", false, "4096"},
        {"-7", false, "4096"},
        {" 42\t", false, "42"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        PreloadBuffer(2048);
        MessageBoxCatcher boxes;
        boxes.Answer(IDYES);  // the question, then the prompt if any, then the outcome
        if (c.prompt)
            boxes.Answer(IDOK);
        boxes.Answer(IDOK);
        CMergeDlg dlg(nullptr);
        app.m_pMainWnd = &dlg;
        HWND hwnd = nullptr;
        std::string shown;
        const size_t expectedBoxes = c.prompt ? 3 : 2;
        ModalScript script;
        script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
            hwnd = dlg.m_hWnd;
            ::SetWindowTextA(::GetDlgItem(hwnd, IDC_WAVE_BUFFER), c.typed);
            PostKey(::GetDlgItem(hwnd, IDC_WAVE_BUFFER), VK_RETURN);
        });
        script.When("job reported", [&] { return boxes.Boxes().size() == expectedBoxes; }, [&] {
            shown = ControlText(hwnd, IDC_WAVE_BUFFER);
            PostCommand(hwnd, IDCANCEL);
        });
        dlg.DoModal();
        ASSERT_TRUE(script.Finished());

        ASSERT_EQ(expectedBoxes, boxes.Boxes().size());
        size_t i = 0;
        EXPECT_EQ(HexBytes(kQuestion), HexBytes(boxes.Boxes()[i++].text));
        if (c.prompt) {
            const MessageBoxRecord& prompt = boxes.Boxes()[i++];
            EXPECT_EQ(HexBytes(kParsePrompt), HexBytes(prompt.text));
            EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), prompt.type) << DescribeMessageBoxType(prompt.type);
        }
        // No paths were given, so the job stops at the new file.
        EXPECT_EQ(HexBytes(kNewAviFailure), HexBytes(boxes.Boxes()[i].text));
        EXPECT_EQ(c.shownAfter, shown);
        DeleteKeyTree(HKEY_CURRENT_USER, Key());
    }
}

TEST_F(MergeDlgTest, SaveDialogTakesANewNameAndTheFieldsShowTheMembersAgain)
{
    const std::string chosen = TempPath("kavrin-dlg-not-there-yet.avi");
    ::DeleteFileA(chosen.c_str());
    MessageBoxCatcher boxes;  // a "file does not exist" box would fail the test
    CMergeDlg dlg(nullptr);
    app.m_pMainWnd = &dlg;
    HWND hwnd = nullptr, fileDialog = nullptr;
    std::string fields[3];
    ModalScript script;
    script.When("dialog shown", [&] { return Shown(dlg); }, [&] {
        hwnd = dlg.m_hWnd;
        // Typed but never exchanged: browsing writes the members back over it.
        ::SetWindowTextA(::GetDlgItem(hwnd, IDC_AVI_PATH), "typed.avi");
        PostClick(::GetDlgItem(hwnd, IDC_BROWSE_NEWAVI));
    });
    script.When("save dialog shown", [&] { return (fileDialog = FindDialog(hwnd)) != nullptr; }, [&] {
        ::SetDlgItemTextA(fileDialog, cmb13, chosen.c_str());
        ::SetDlgItemTextA(fileDialog, edt1, chosen.c_str());
        PostCommand(fileDialog, IDOK);
    });
    script.When("save dialog gone", [&] { return !::IsWindow(fileDialog) && ::IsWindowEnabled(hwnd); }, [&] {
        fields[0] = ControlText(hwnd, IDC_AVI_PATH);
        fields[1] = ControlText(hwnd, IDC_NEWAVI_PATH);
        fields[2] = ControlText(hwnd, IDC_WAVE_BUFFER);
        PostCommand(hwnd, IDCANCEL);
    });
    dlg.DoModal();
    ASSERT_TRUE(script.Finished());

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ("", fields[0]);
    EXPECT_STRCASEEQ(chosen.c_str(), fields[1].c_str());
    EXPECT_EQ("4096", fields[2]);
    EXPECT_FALSE(FileExists(chosen)) << "choosing a name must not create the file";
}

}  // namespace
