// The data exchange: the integer reading, the prompt on rejection, and fields left alone when equal.
#include <gtest/gtest.h>

#include <climits>

#include "test_support.h"
#include "testlib.h"

using namespace kavrin::testlib;

namespace {

struct IntCase {
    const char* text;
    bool accepted;
    int value;
};

const IntCase kIntCases[] = {
    {"42", true, 42},
    {"  42", true, 42},
    {"\t42\t ", true, 42},
    {" \t 42  \t", true, 42},
    {"+42", true, 42},
    {"0", true, 0},
    {"0000", true, 0},
    {"  00  ", true, 0},
    {"-20", true, -20},
    {"-2147483648", true, INT_MIN},
    {"2147483647", true, INT_MAX},
    {"99999999999", true, INT_MAX},      // eleven nines saturate
    {"-99999999999", true, INT_MIN},
    {"2147483648", true, INT_MAX},
    {"007", true, 7},
    {"", false, 0},
    {"   ", false, 0},
    {"-", false, 0},
    {"+", false, 0},
    {"-0", false, 0},                    // a lone sign before zeros
    {"+00", false, 0},
    {"12ab", false, 0},
    {"0x10", false, 0},
    {"12 34", false, 0},
    {"abc", false, 0},
    {"- 5", false, 0},
    {"４０９６", false, 0},               // full-width digits
    {"42４", false, 0},
    {"\n42", false, 0},                  // only blanks and tabs are skipped
    // Only the first 31 characters take part.
    {"                              7x", true, 7},
    {"0000000000000000000000000000042abc", true, 42},
    {"                               7", false, 0},
};

TEST(ParseDialogInt, ReadsTheFieldTextAsTheExchangeDoes)
{
    for (const IntCase& c : kIntCases) {
        int value = 12345;
        BOOL accepted = ParseDialogInt(c.text, &value);
        EXPECT_EQ(c.accepted, accepted != FALSE) << '"' << c.text << '"';
        EXPECT_EQ(c.accepted ? c.value : 12345, value) << '"' << c.text << "\": a rejected text changed the value";
    }
}

class ExchangeTest : public ::testing::Test {
protected:
    // Runs the form and calls `step` from inside its modal loop, then cancels it.
    void WithForm(TestForm& form, const std::function<void(HWND)>& step)
    {
        ModalScript script;
        script.When("form shown", [&] { return FindDialog() != nullptr; },
                    [&] {
                        HWND dlg = FindDialog();
                        step(dlg);
                        PostCommand(dlg, IDCANCEL);
                    });
        form.DoModal();
        EXPECT_TRUE(script.Finished());
    }

    TestApp app;
};

TEST_F(ExchangeTest, RealFieldGivesTheSameReadingAsTheTable)
{
    TestForm form;
    WithForm(form, [&](HWND dlg) {
        for (const IntCase& c : kIntCases) {
            MessageBoxCatcher boxes;
            if (!c.accepted)
                boxes.Answer(IDOK);
            form.m_nNumber = 12345;
            ::SetDlgItemTextA(dlg, IDC_TEST_NUMBER, c.text);
            BOOL ok = form.UpdateData(TRUE);
            EXPECT_EQ(c.accepted, ok != FALSE) << '"' << c.text << '"';
            EXPECT_EQ(c.accepted ? c.value : 12345, form.m_nNumber) << '"' << c.text << '"';
            EXPECT_EQ(c.accepted ? 0u : 1u, boxes.Boxes().size()) << '"' << c.text << '"';
        }
    });
}

TEST_F(ExchangeTest, RejectionPromptsThenSelectsTheFieldAndKeepsEarlierMembers)
{
    OwnerWindow main;
    app.m_pMainWnd = &main;
    TestForm form;
    form.m_nNumber = 99;
    MessageBoxCatcher boxes;
    boxes.Answer(IDOK);
    BOOL result = TRUE;
    HWND dlg = nullptr, focus = nullptr, numberField = nullptr;
    DWORD selStart = 1, selEnd = 0;
    WithForm(form, [&](HWND d) {
        dlg = d;
        ::SetDlgItemTextA(dlg, IDC_TEST_TEXT, "typed path");
        ::SetDlgItemTextA(dlg, IDC_TEST_NUMBER, "12ab");
        ::SetFocus(::GetDlgItem(dlg, IDOK));
        result = form.UpdateData(TRUE);
        focus = ::GetFocus();
        numberField = ::GetDlgItem(dlg, IDC_TEST_NUMBER);
        ::SendMessageA(::GetDlgItem(dlg, IDC_TEST_NUMBER), EM_GETSEL, (WPARAM)&selStart, (LPARAM)&selEnd);
    });
    app.m_pMainWnd = nullptr;

    EXPECT_FALSE(result);
    EXPECT_EQ("typed path", form.m_strText.str()) << "the field before the failing one is exchanged already";
    EXPECT_EQ(99, form.m_nNumber);
    EXPECT_EQ(numberField, focus);
    EXPECT_EQ(0u, selStart);
    EXPECT_EQ(4u, selEnd);

    ASSERT_EQ(1u, boxes.Boxes().size());
    const MessageBoxRecord& box = boxes.Boxes()[0];
    EXPECT_EQ(kParseIntPrompt, box.text);
    EXPECT_EQ(std::string(app.m_pszAppName), box.caption);
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), box.type & (MB_TYPEMASK | MB_ICONMASK))
        << DescribeMessageBoxType(box.type);
    EXPECT_EQ(dlg, box.owner) << "the prompt belongs to the dialog (the main window's active popup)";
}

TEST_F(ExchangeTest, MembersGoIntoFieldsAndEqualTextIsLeftAlone)
{
    TestForm form;
    form.m_exchangeOnInit = false;
    std::string number, text;
    LRESULT modifiedAfterEqual = 0, modifiedAfterChange = 1;
    WithForm(form, [&](HWND dlg) {
        HWND numberField = ::GetDlgItem(dlg, IDC_TEST_NUMBER);
        form.m_strText = "パス\\ソ";
        form.m_nNumber = -4096;
        form.UpdateData(FALSE);
        number = ControlText(dlg, IDC_TEST_NUMBER);
        text = ControlText(dlg, IDC_TEST_TEXT);

        // Setting a window's text clears its modified flag: the flag shows whether we wrote.
        ::SendMessageA(numberField, EM_SETMODIFY, TRUE, 0);
        form.UpdateData(FALSE);
        modifiedAfterEqual = ::SendMessageA(numberField, EM_GETMODIFY, 0, 0);
        form.m_nNumber = 5;
        form.UpdateData(FALSE);
        modifiedAfterChange = ::SendMessageA(numberField, EM_GETMODIFY, 0, 0);
    });
    EXPECT_EQ("-4096", number);
    EXPECT_EQ("パス\\ソ", text);
    EXPECT_TRUE(modifiedAfterEqual) << "an equal text was written again";
    EXPECT_FALSE(modifiedAfterChange);
}

TEST_F(ExchangeTest, LongTextFieldComesBackWhole)
{
    TestForm form;
    std::string longText(3000, 'x');
    longText += "ソ終";
    WithForm(form, [&](HWND dlg) {
        ::SetDlgItemTextA(dlg, IDC_TEST_TEXT, longText.c_str());
        ::SetDlgItemTextA(dlg, IDC_TEST_NUMBER, "1");
        form.UpdateData(TRUE);
    });
    EXPECT_EQ(longText, form.m_strText.str());
}

}  // namespace
