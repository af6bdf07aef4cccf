// CDialog under Wine: the modal loop, the owner, centring, the message map, exceptions and F1.
#include <gtest/gtest.h>

#include <cstdlib>

#include "test_support.h"
#include "testlib.h"

using namespace kavrin::testlib;

namespace {

RECT WindowRect(HWND hwnd)
{
    RECT r;
    ::GetWindowRect(hwnd, &r);
    return r;
}

LONG CentreX(const RECT& r) { return (r.left + r.right) / 2; }
LONG CentreY(const RECT& r) { return (r.top + r.bottom) / 2; }

class DialogTest : public ::testing::Test {
protected:
    TestApp app;
};

TEST_F(DialogTest, PreTranslateSeesKeysForChildControlsAndTypedTextReachesTheField)
{
    TestForm form;
    HWND dlg = nullptr, edit = nullptr;
    ModalScript script;
    script.When("form shown", [&] { return (dlg = FindDialog()) != nullptr; },
                [&] {
                    edit = ::GetDlgItem(dlg, IDC_TEST_TEXT);
                    // Key-downs alone: the loop's translation makes the characters.
                    ::PostMessageA(edit, WM_KEYDOWN, 'A', 0x001E0001);
                    ::PostMessageA(edit, WM_KEYDOWN, 'B', 0x00300001);
                })
        .When("text typed", [&] { return ControlText(dlg, IDC_TEST_TEXT) == "ab"; },
              [&] { PostCommand(dlg, IDCANCEL); });

    EXPECT_EQ(IDCANCEL, form.DoModal());
    EXPECT_TRUE(script.Finished());

    bool sawKeyForEdit = false;
    for (const MSG& m : form.m_preTranslated)
        sawKeyForEdit |= m.message == WM_KEYDOWN && m.hwnd == edit;
    EXPECT_TRUE(sawKeyForEdit) << "no WM_KEYDOWN for the edit control passed PreTranslateMessage";
    // The window was hidden, not yet destroyed, when WM_DESTROY ran.
    EXPECT_TRUE(form.m_destroyFoundControls);
    EXPECT_FALSE(form.m_visibleAtDestroy);
    EXPECT_EQ("ab", form.m_textAtDestroy.str());
    EXPECT_FALSE(::IsWindow(dlg));
    EXPECT_EQ(nullptr, form.m_hWnd);
}

TEST_F(DialogTest, MessageConsumedByPreTranslateNeverReachesTheDialog)
{
    // Enter on the edit would press the default button (OK) unless PreTranslateMessage takes it.
    for (bool swallow : {true, false}) {
        TestForm form;
        form.m_swallowKey = swallow ? VK_RETURN : 0;
        HWND dlg = nullptr;
        ModalScript script;
        script.When("form shown", [&] { return (dlg = FindDialog()) != nullptr; },
                    [&] { PostKey(::GetDlgItem(dlg, IDC_TEST_TEXT), VK_RETURN); });
        if (swallow)
            script.When("Enter seen", [&] { return !form.m_preTranslated.empty(); },
                        [&] { PostCommand(dlg, IDCANCEL); });
        EXPECT_EQ(swallow ? IDCANCEL : IDOK, form.DoModal()) << "swallow=" << swallow;
        EXPECT_TRUE(script.Finished());
    }
}

TEST_F(DialogTest, OwnerIsDisabledWhileTheDialogRunsAndEnabledAfter)
{
    OwnerWindow owner;
    TestForm form(&owner);
    BOOL enabledDuring = TRUE;
    HWND ownerOfDialog = nullptr;
    ModalScript script;
    script.When("form shown", [&] { return FindDialog() != nullptr; },
                [&] {
                    HWND dlg = FindDialog();
                    enabledDuring = ::IsWindowEnabled(owner.m_hWnd);
                    ownerOfDialog = ::GetWindow(dlg, GW_OWNER);
                    PostCommand(dlg, IDCANCEL);
                });
    form.DoModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(enabledDuring);
    EXPECT_EQ(owner.m_hWnd, ownerOfDialog);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
}

TEST_F(DialogTest, OwnerThatWasDisabledBeforeStaysDisabled)
{
    OwnerWindow owner;
    ::EnableWindow(owner.m_hWnd, FALSE);
    TestForm form(&owner);
    ModalScript script;
    script.When("form shown", [&] { return FindDialog() != nullptr; },
                [&] { PostCommand(FindDialog(), IDCANCEL); });
    form.DoModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(::IsWindowEnabled(owner.m_hWnd));
}

TEST_F(DialogTest, WithoutParentTheMainWindowOwnsTheDialog)
{
    OwnerWindow main;
    app.m_pMainWnd = &main;
    TestForm form;
    HWND ownerOfDialog = nullptr;
    ModalScript script;
    script.When("form shown", [&] { return FindDialog() != nullptr; },
                [&] {
                    ownerOfDialog = ::GetWindow(FindDialog(), GW_OWNER);
                    PostCommand(FindDialog(), IDCANCEL);
                });
    form.DoModal();
    app.m_pMainWnd = nullptr;
    EXPECT_EQ(main.m_hWnd, ownerOfDialog);
}

TEST_F(DialogTest, TemplateAtOriginIsCentredOverItsOwnerOrTheWorkArea)
{
    OwnerWindow owner(40, 60, 500, 400);
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    struct Case { CWnd* parent; RECT target; const char* what; };
    const Case cases[] = {{&owner, WindowRect(owner.m_hWnd), "over the owner"},
                          {nullptr, work, "on the work area"}};
    for (const Case& c : cases) {
        TestForm form(c.parent);
        RECT shown = {};
        bool visibleAtFirstSight = false;
        ModalScript script;
        script.When("form shown", [&] { return FindDialog() != nullptr; },
                    [&] {
                        HWND dlg = FindDialog();
                        visibleAtFirstSight = ::IsWindowVisible(dlg);
                        shown = WindowRect(dlg);
                        PostCommand(dlg, IDCANCEL);
                    });
        form.DoModal();
        EXPECT_TRUE(visibleAtFirstSight) << c.what;
        EXPECT_NEAR(CentreX(c.target), CentreX(shown), 1) << c.what;
        EXPECT_NEAR(CentreY(c.target), CentreY(shown), 1) << c.what;
    }
}

TEST_F(DialogTest, TemplatePlacedElsewhereIsLeftWhereItSays)
{
    OwnerWindow owner(100, 100, 600, 500);
    TestForm form(&owner, IDD_TEST_PLACED);
    RECT offset = {40, 30, 0, 0};
    POINT shown = {0, 0};
    ModalScript script;
    script.When("dialog shown", [&] { return FindDialog() != nullptr; },
                [&] {
                    ::ClientToScreen(FindDialog(), &shown);
                    ::MapDialogRect(FindDialog(), &offset);
                    PostCommand(FindDialog(), IDOK);
                });
    EXPECT_EQ(IDOK, form.DoModal());
    // The client area 40, 30 dialog units from the owner's, as the dialog manager places it.
    POINT origin = {0, 0};
    ::ClientToScreen(owner.m_hWnd, &origin);
    EXPECT_NEAR(origin.x + offset.left, shown.x, 2);
    EXPECT_NEAR(origin.y + offset.top, shown.y, 2);
}

TEST_F(DialogTest, OkExchangesTheFieldsAndEndsWithIdok)
{
    TestForm form;
    form.m_strText = "first";
    form.m_nNumber = 7;
    std::string shownText, shownNumber;
    ModalScript script;
    script.When("form shown", [&] { return FindDialog() != nullptr; },
                [&] {
                    HWND dlg = FindDialog();
                    shownText = ControlText(dlg, IDC_TEST_TEXT);
                    shownNumber = ControlText(dlg, IDC_TEST_NUMBER);
                    ::SetDlgItemTextA(dlg, IDC_TEST_TEXT, "second");
                    ::SetDlgItemTextA(dlg, IDC_TEST_NUMBER, "-12");
                    PostClick(::GetDlgItem(dlg, IDOK));
                });
    EXPECT_EQ(IDOK, form.DoModal());
    EXPECT_EQ("first", shownText);
    EXPECT_EQ("7", shownNumber);
    EXPECT_EQ("second", form.m_strText.str());
    EXPECT_EQ(-12, form.m_nNumber);
}

TEST_F(DialogTest, CloseBoxAndEscapeEndWithIdcancel)
{
    for (int how = 0; how < 2; ++how) {
        TestForm form;
        ModalScript script;
        script.When("form shown", [&] { return FindDialog() != nullptr; },
                    [&] {
                        HWND dlg = FindDialog();
                        if (how == 0)
                            ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                        else
                            PostKey(::GetDlgItem(dlg, IDC_TEST_TEXT), VK_ESCAPE);
                    });
        EXPECT_EQ(IDCANCEL, form.DoModal()) << (how == 0 ? "close box" : "Esc");
        EXPECT_TRUE(script.Finished());
    }
}

TEST_F(DialogTest, MessageMapRoutesAButtonToItsHandler)
{
    TestForm form;
    ModalScript script;
    script.When("form shown", [&] { return FindDialog() != nullptr; },
                [&] { PostClick(::GetDlgItem(FindDialog(), IDC_TEST_BUTTON)); })
        .When("clicked", [&] { return form.m_buttonClicks == 1; },
              [&] { PostCommand(FindDialog(), IDCANCEL); });
    form.DoModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(1, form.m_buttonClicks);
}

TEST_F(DialogTest, HandlersReturnTheirResultsAndDefaultLeavesTheRestToTheSystem)
{
    TestForm form;
    LRESULT dragIcon = 0;
    ModalScript script;
    script.When("form shown", [&] { return FindDialog() != nullptr; },
                [&] {
                    HWND dlg = FindDialog();
                    dragIcon = ::SendMessageA(dlg, WM_QUERYDRAGICON, 0, 0);
                    ::SendMessageA(dlg, WM_SYSCOMMAND, TestForm::kOwnSysCommand | 0x3, 0);
                    ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                });
    EXPECT_EQ(IDCANCEL, form.DoModal()) << "SC_CLOSE did not reach the system's own handling";
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ((LRESULT)::LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION), dragIcon);
    EXPECT_EQ(1, form.m_ownSysCommands);
}

TEST_F(DialogTest, ExceptionFromAHandlerIsReportedAndTheDialogCarriesOn)
{
    struct Case { int button; const std::string& text; };
    const Case cases[] = {{IDC_TEST_THROW_MEMORY, kNoMemory}, {IDC_TEST_THROW_OTHER, kInternalError}};
    for (const Case& c : cases) {
        OwnerWindow main;
        app.m_pMainWnd = &main;
        MessageBoxCatcher boxes;
        boxes.Answer(IDOK);
        TestForm form;
        ModalScript script;
        script.When("form shown", [&] { return FindDialog() != nullptr; },
                    [&] { PostClick(::GetDlgItem(FindDialog(), c.button)); })
            .When("alert answered", [&] { return boxes.Boxes().size() == 1; },
                  [&] { PostClick(::GetDlgItem(FindDialog(), IDC_TEST_BUTTON)); })
            .When("still answering", [&] { return form.m_buttonClicks == 1; },
                  [&] { PostCommand(FindDialog(), IDCANCEL); });
        EXPECT_EQ(IDCANCEL, form.DoModal());
        app.m_pMainWnd = nullptr;
        EXPECT_TRUE(script.Finished());
        ASSERT_EQ(1u, boxes.Boxes().size());
        const MessageBoxRecord& box = boxes.Boxes()[0];
        EXPECT_EQ(c.text, box.text);
        EXPECT_EQ(std::string(app.m_pszAppName), box.caption);
        EXPECT_NE(0u, box.type & MB_ICONMASK) << DescribeMessageBoxType(box.type);
    }
}

// The help viewer, replaced: records what it was asked and answers as told.
struct HelpCall {
    int count = 0;
    std::string file;
    UINT command = 0;
    ULONG_PTR data = 0;
    BOOL answer = TRUE;
};
HelpCall g_help;

BOOL WINAPI FakeWinHelp(HWND, LPCSTR file, UINT command, ULONG_PTR data)
{
    ++g_help.count;
    g_help.file = file ? file : "";
    g_help.command = command;
    g_help.data = data;
    return g_help.answer;
}

TEST_F(DialogTest, F1AsksTheHelpFileForTheFocusedDialogsContext)
{
    for (BOOL viewerStarts : {TRUE, FALSE}) {
        g_help = HelpCall();
        g_help.answer = viewerStarts;
        CWinApp::SetWinHelpFunction(&FakeWinHelp);
        MessageBoxCatcher boxes;
        if (!viewerStarts)
            boxes.Answer(IDOK);
        TestForm form;
        app.m_pMainWnd = &form;
        ModalScript script;
        script.When("form shown", [&] { return FindDialog() != nullptr; },
                    [&] {
                        HWND edit = ::GetDlgItem(FindDialog(), IDC_TEST_TEXT);
                        ::SetFocus(edit);
                        PostKey(edit, VK_F1);
                    })
            .When("help asked", [&] { return g_help.count == 1 && boxes.Pending() == 0; },
                  [&] { PostCommand(FindDialog(), IDCANCEL); });
        form.DoModal();
        CWinApp::SetWinHelpFunction(nullptr);
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(nullptr, app.m_pMainWnd) << "the main window pointer outlived its window";
        EXPECT_EQ(std::string(app.m_pszHelpFilePath), g_help.file);
        EXPECT_EQ(UINT(HELP_CONTEXT), g_help.command);
        EXPECT_EQ(ULONG_PTR(0x20000 + IDD_TEST_FORM), g_help.data);
        if (viewerStarts) {
            EXPECT_TRUE(boxes.Boxes().empty());
        } else {
            ASSERT_EQ(1u, boxes.Boxes().size());
            EXPECT_EQ(kHelpFailed, boxes.Boxes()[0].text);
            EXPECT_EQ(std::string(app.m_pszAppName), boxes.Boxes()[0].caption);
            EXPECT_NE(0u, boxes.Boxes()[0].type & MB_ICONMASK);
        }
    }
}

TEST_F(DialogTest, MessageBoxIsOwnedByTheWindowAndNamedAfterTheApplicationUnlessGivenACaption)
{
    TestForm form;
    MessageBoxCatcher boxes;
    boxes.Answer(IDOK).Answer(IDNO);
    HWND dlg = nullptr;
    int first = 0, second = 0;
    ModalScript script;
    script.When("form shown", [&] { return (dlg = FindDialog()) != nullptr; },
                [&] {
                    first = form.MessageBox("本文");
                    second = form.MessageBox("合成しますか？", "確認", MB_YESNO);
                    PostCommand(dlg, IDCANCEL);
                });
    form.DoModal();
    EXPECT_EQ(IDOK, first);
    EXPECT_EQ(IDNO, second);
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ(dlg, boxes.Boxes()[0].owner);
    EXPECT_EQ(std::string(app.m_pszAppName), boxes.Boxes()[0].caption);
    EXPECT_EQ(0u, boxes.Boxes()[0].type & MB_ICONMASK) << "a box of the program's own has no icon unless asked";
    EXPECT_EQ("合成しますか？", boxes.Boxes()[1].text);
    EXPECT_EQ("確認", boxes.Boxes()[1].caption);
    EXPECT_EQ(UINT(MB_YESNO), boxes.Boxes()[1].type & (MB_TYPEMASK | MB_ICONMASK));
}

TEST_F(DialogTest, MissingTemplateGivesMinusOneAndLeavesTheOwnerEnabled)
{
    OwnerWindow owner;
    TestForm form(&owner, 9999);
    EXPECT_EQ(-1, form.DoModal());
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
}

}  // namespace
