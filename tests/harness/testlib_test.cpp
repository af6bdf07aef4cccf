// The UI test library proved on a throwaway dialog and on real message boxes.
#include <windows.h>

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <cstdio>
#include <functional>

#include "testlib.h"
#include "throwaway_res.h"

namespace {

using namespace kavrin::testlib;

struct DialogState {
    int endCode = 0;
};

// Asks a yes/no question in Japanese and shows the answer in IDC_RESULT.
INT_PTR CALLBACK ThrowawayProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ASK: {
            int answer = MessageBoxA(dlg, "合成しますか？", "確認", MB_YESNO | MB_ICONQUESTION);
            SetDlgItemTextA(dlg, IDC_RESULT, answer == IDYES ? "はい" : answer == IDNO ? "いいえ" : "?");
            return TRUE;
        }
        case IDOK:
        case IDCANCEL:
            if (auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dlg, DWLP_USER)))
                state->endCode = LOWORD(wParam);
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR ShowThrowaway(HWND owner = nullptr, DialogState* state = nullptr) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_THROWAWAY), owner,
                           ThrowawayProc, reinterpret_cast<LPARAM>(state));
}

HWND CreateThrowaway(HWND owner, DialogState* state) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_THROWAWAY), owner,
                              ThrowawayProc, reinterpret_cast<LPARAM>(state));
}

// A modeless dialog's loop with a filter in front, the way a framework's PreTranslateMessage sits
// in front of IsDialogMessage. Runs until done() or the timeout.
bool RunFiltered(HWND dlg, const std::function<bool(const MSG&)>& filter,
                 const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        if (filter(msg)) continue;
        if (IsDialogMessageA(dlg, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

TEST(ThrowawayDialog, ShowsItsJapaneseTextsInCodePage932) {
    HWND dlg = nullptr;
    std::string caption, label, cancel;
    ModalScript script;
    script.When("the dialog is shown", [&] { return (dlg = FindDialog(nullptr)) != nullptr; },
                [&] {
                    caption = WindowText(dlg);
                    label = ControlText(dlg, IDC_LABEL);
                    cancel = ControlText(dlg, IDCANCEL);
                    SaveScreenshot("throwaway-dialog");
                    PostCommand(dlg, IDCANCEL);
                });

    EXPECT_EQ(ShowThrowaway(), IDCANCEL);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(HexBytes(caption), "83 5C 83 74 83 67 95 5C 8E A6 82 CC 8A 6D 94 46");  // ソフト表示の確認
    EXPECT_EQ(HexBytes(label), "96 BC 91 4F 28 26 4E 29 3A");                         // 名前(&N):
    EXPECT_EQ(cancel, "キャンセル");
}

TEST(ThrowawayDialog, AnswersAJapaneseMessageBoxAskedFromInsideTheModalLoop) {
    MessageBoxCatcher boxes;
    boxes.Answer(IDNO);
    HWND dlg = nullptr;
    std::string result;
    ModalScript script;
    script
        .When("the dialog is shown", [&] { return (dlg = FindDialog(nullptr)) != nullptr; },
              [&] { PostClick(GetDlgItem(dlg, IDC_ASK)); })
        .When("the answer is shown", [&] { return !ControlText(dlg, IDC_RESULT).empty(); },
              [&] {
                  result = ControlText(dlg, IDC_RESULT);
                  PostCommand(dlg, IDOK);
              });

    EXPECT_EQ(ShowThrowaway(), IDOK);
    EXPECT_TRUE(script.Finished());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const MessageBoxRecord& box = boxes.Boxes()[0];
    EXPECT_EQ(box.owner, dlg);
    EXPECT_EQ(HexBytes(box.text), "8D 87 90 AC 82 B5 82 DC 82 B7 82 A9 81 48");  // 合成しますか？
    EXPECT_EQ(HexBytes(box.caption), "8A 6D 94 46");                             // 確認
    EXPECT_EQ(DescribeMessageBoxType(box.type), DescribeMessageBoxType(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(box.answer, IDNO);
    EXPECT_FALSE(box.unexpected);
    EXPECT_EQ(result, "いいえ");
}

TEST(ThrowawayDialog, PostedKeysPassThroughTheDialogsOwnLoop) {
    DialogState state;
    HWND dlg = CreateThrowaway(nullptr, &state);
    ASSERT_NE(dlg, nullptr);
    HWND edit = GetDlgItem(dlg, IDC_NAME);
    SetFocus(edit);

    // The filter eats every 'x' typed into the edit: only keys that went through the queue and
    // this loop lose them.
    int charsSeen = 0;
    auto filter = [&](const MSG& msg) {
        if (msg.hwnd != edit || msg.message != WM_CHAR) return false;
        ++charsSeen;
        return msg.wParam == 'x';
    };
    PostText(edit, "xAbx1");
    EXPECT_TRUE(RunFiltered(dlg, filter, [&] { return WindowText(edit) == "Ab1"; }, 2000))
        << "edit holds \"" << WindowText(edit) << "\"";
    EXPECT_EQ(charsSeen, 5);

    // Tab and Escape are the dialog manager's, reached through IsDialogMessage in the same loop.
    PostKey(edit, VK_TAB);
    EXPECT_TRUE(RunFiltered(dlg, filter, [&] { return GetFocus() == GetDlgItem(dlg, IDC_ASK); }, 2000));
    PostKey(GetFocus(), VK_ESCAPE);
    EXPECT_TRUE(RunFiltered(dlg, filter, [&] { return state.endCode != 0; }, 2000));
    EXPECT_EQ(state.endCode, IDCANCEL);
    DestroyWindow(dlg);
}

TEST(FindWindowOf, TellsDialogsApartByOwnerAndClass) {
    DialogState outerState, innerState;
    HWND outer = CreateThrowaway(nullptr, &outerState);
    HWND inner = CreateThrowaway(outer, &innerState);
    ASSERT_TRUE(outer && inner);
    ShowWindow(outer, SW_SHOW);
    ShowWindow(inner, SW_SHOW);
    PumpFor(50);

    EXPECT_EQ(FindDialog(nullptr), outer);
    EXPECT_EQ(FindDialog(outer), inner);
    EXPECT_EQ(FindWindowOf("#32770", inner), nullptr);
    EXPECT_EQ(FindWindowOf("Edit", kAnyOwner), nullptr) << "controls are not top-level windows";
    EXPECT_EQ(ClassOf(ChildrenOf(inner).at(1)), "Edit") << "children come in tab order";
    DestroyWindow(inner);
    DestroyWindow(outer);
    EXPECT_EQ(FindDialog(), nullptr);
}

TEST(MessageBoxCatcher, RecoversTheTypeAndAnswersWithTheQueuedButton) {
    const struct {
        UINT type;
        int answer;
    } cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_ICONEXCLAMATION, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_ICONHAND, IDIGNORE},
        {MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES},
        {MB_YESNO | MB_ICONASTERISK | MB_DEFBUTTON2, IDNO},
        {MB_RETRYCANCEL | MB_ICONEXCLAMATION, IDRETRY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(DescribeMessageBoxType(c.type));
        MessageBoxCatcher boxes;
        boxes.Answer(c.answer);
        EXPECT_EQ(MessageBoxA(nullptr, "本文", "見出し", c.type), c.answer);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(DescribeMessageBoxType(boxes.Boxes()[0].type), DescribeMessageBoxType(c.type));
        EXPECT_EQ(boxes.Boxes()[0].owner, nullptr);
        EXPECT_EQ(boxes.Boxes()[0].text, "本文");
        EXPECT_EQ(boxes.Boxes()[0].caption, "見出し");
    }
}

TEST(MessageBoxCatcher, AnUnansweredBoxFailsTheTestInsteadOfWaiting) {
    MessageBoxCatcher boxes;
    int got = 0;
    EXPECT_NONFATAL_FAILURE(got = MessageBoxA(nullptr, "no one asked", "stray", MB_YESNO),
                            "unexpected message box \"no one asked\" (caption \"stray\", MB_YESNO)");
    EXPECT_EQ(got, IDNO);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.Boxes()[0].unexpected);

    // An answer the box has no button for is refused the same way.
    boxes.Answer(IDYES);
    EXPECT_NONFATAL_FAILURE(got = MessageBoxA(nullptr, "ok only", "stray", MB_OKCANCEL),
                            "has no button 6");
    EXPECT_EQ(got, IDCANCEL);
}

TEST(MessageBoxCatcher, OurOwnDialogsAreNotTakenForMessageBoxes) {
    // Dialogs commonly number their labels IDC_STATIC (-1), the id of a message box's text.
    DialogState state;
    HWND dlg = CreateThrowaway(nullptr, &state);
    ASSERT_NE(dlg, nullptr);
    SetWindowLongPtrA(GetDlgItem(dlg, IDC_LABEL), GWLP_ID, 0xFFFF);
    EXPECT_NE(GetDlgItem(dlg, 0xFFFF), nullptr);
    EXPECT_FALSE(MessageBoxCatcher::IsMessageBox(dlg));
    DestroyWindow(dlg);
}

TEST(ModalScript, AStepThatNeverBecomesReadyFailsAndEndsTheModalLoop) {
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            ModalScript script;
            script.When("a window that never comes", [] { return false; }, [] {}, 300);
            result = ShowThrowaway();
        },
        "not ready after 300 ms: a window that never comes");
    EXPECT_EQ(result, IDCANCEL);
}

bool timerFired = false;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) { timerFired = true; }

TEST(PumpUntil, ReturnsWhenDoneOrAtTheTimeout) {
    DWORD start = GetTickCount();
    EXPECT_FALSE(PumpUntil([] { return false; }, 200));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 190u);
    EXPECT_LT(waited, 1000u);

    // Done only once a timer message has been dispatched: the pump must run the queue.
    timerFired = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, OnTimer);
    EXPECT_TRUE(PumpUntil([] { return timerFired; }, 1000));
    KillTimer(nullptr, timer);
}

TEST(WatchdogDeathTest, EndsABlockedProcessNamingWhatBlocked) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Watchdog watchdog("Suite.BlockedTest", 200);
            Sleep(20000);
        },
        ::testing::ExitedWithCode(kWatchdogExitCode),
        "watchdog: Suite.BlockedTest blocked for more than 200 ms");
}

TEST(Watchdog, StaysQuietWhenDisarmedInTime) {
    DWORD start = GetTickCount();
    { Watchdog watchdog("quick", 5000); }
    EXPECT_LT(GetTickCount() - start, 1000u) << "disarming waits for nothing";
}

TEST(Screenshot, SavesTheScreenAsA24BitBmp) {
    std::string path = SaveScreenshot("screenshot-test");
    ASSERT_FALSE(path.empty());
    FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    ASSERT_EQ(std::fread(&file, sizeof file, 1, in), 1u);
    ASSERT_EQ(std::fread(&info, sizeof info, 1, in), 1u);
    std::fseek(in, 0, SEEK_END);
    long size = std::ftell(in);
    std::fclose(in);
    EXPECT_EQ(file.bfType, 0x4D42);
    EXPECT_EQ(info.biWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(info.biHeight, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(info.biBitCount, 24);
    EXPECT_EQ(static_cast<DWORD>(size), file.bfSize);
}

}  // namespace
