// The version box under Wine: modal over the main window, centred, focus on OK, its controls, and
// every way it closes.
#include <gtest/gtest.h>

#include "VersionDlg.h"
#include "resource.h"
#include "testlib.h"

using namespace kavrin::testlib;

namespace {

class MainWindow : public CWnd {
public:
    MainWindow()
    {
        m_hWnd = ::CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 90, 520, 420,
                                   nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    ~MainWindow() override { ::DestroyWindow(m_hWnd); }
};

class VersionBoxTest : public ::testing::Test {
protected:
    VersionBoxTest() : app("KavrinTest-VersionBox")
    {
        app.Start(::GetModuleHandleA(nullptr));
        app.m_pMainWnd = &main;
    }
    ~VersionBoxTest() override { app.m_pMainWnd = nullptr; }

    CWinApp app;
    MainWindow main;
};

RECT WindowRect(HWND hwnd)
{
    RECT r;
    ::GetWindowRect(hwnd, &r);
    return r;
}

TEST_F(VersionBoxTest, OpensModallyOverTheMainWindowCentredWithFocusOnOk)
{
    CVersionDlg box;
    HWND dlg = nullptr, focus = nullptr, owner = nullptr;
    bool focusIsOk = false;
    BOOL mainEnabled = TRUE;
    RECT shown = {};
    std::string caption;
    struct Control { std::string className, text; int id; LONG_PTR style; };
    std::vector<Control> controls;
    ModalScript script;
    // Activation (and with it the focus) can trail the showing by a moment.
    script.When("box shown and active",
                [&] {
                    dlg = FindDialog(main.m_hWnd);
                    return dlg && ::GetActiveWindow() == dlg;
                },
                [&] {
                    focus = ::GetFocus();
                    owner = ::GetWindow(dlg, GW_OWNER);
                    mainEnabled = ::IsWindowEnabled(main.m_hWnd);
                    shown = WindowRect(dlg);
                    caption = WindowText(dlg);
                    for (HWND child : ChildrenOf(dlg))
                        controls.push_back({ClassOf(child), WindowText(child), ::GetDlgCtrlID(child),
                                            ::GetWindowLongPtrA(child, GWL_STYLE)});
                    focusIsOk = focus == ::GetDlgItem(dlg, IDOK);
                    PostClick(::GetDlgItem(dlg, IDOK));
                });
    EXPECT_EQ(IDOK, box.DoModal());
    ASSERT_TRUE(script.Finished());

    EXPECT_EQ(main.m_hWnd, owner);
    EXPECT_FALSE(mainEnabled) << "the main window took input while the box was open";
    EXPECT_TRUE(::IsWindowEnabled(main.m_hWnd));
    EXPECT_EQ("ﾊﾞｰｼﾞｮﾝ情報", caption);
    EXPECT_TRUE(focusIsOk);
    RECT over = WindowRect(main.m_hWnd);
    EXPECT_NEAR((over.left + over.right) / 2, (shown.left + shown.right) / 2, 1);
    EXPECT_NEAR((over.top + over.bottom) / 2, (shown.top + shown.bottom) / 2, 1);

    // Six controls in tab order: icon, product line, notice, OK (the only tab stop), two addresses.
    ASSERT_EQ(6u, controls.size());
    EXPECT_EQ(LONG_PTR(SS_ICON), controls[0].style & SS_TYPEMASK);
    EXPECT_EQ("Kavrin  Version  1.10", controls[1].text);
    EXPECT_EQ(IDOK, controls[3].id);
    EXPECT_EQ(LONG_PTR(BS_DEFPUSHBUTTON), controls[3].style & BS_TYPEMASK);
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(i == 3, (controls[i].style & WS_TABSTOP) != 0) << "control " << i;
        if (i != 3)
            EXPECT_STRCASEEQ("Static", controls[i].className.c_str()) << "control " << i;
    }
}

TEST_F(VersionBoxTest, ClosesWithOkEnterEscAndTheCloseBoxAndGivesTheMainWindowBack)
{
    struct Case { const char* how; int expected; void (*close)(HWND dlg); };
    const Case cases[] = {
        {"OK button", IDOK, [](HWND dlg) { PostClick(::GetDlgItem(dlg, IDOK)); }},
        {"Enter", IDOK, [](HWND dlg) { PostKey(::GetDlgItem(dlg, IDOK), VK_RETURN); }},
        {"Esc", IDCANCEL, [](HWND dlg) { PostKey(::GetDlgItem(dlg, IDOK), VK_ESCAPE); }},
        {"close box", IDCANCEL, [](HWND dlg) { ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        std::string mainTextBefore = WindowText(main.m_hWnd);
        CVersionDlg box;
        HWND dlg = nullptr;
        ModalScript script;
        script.When("box shown", [&] { return (dlg = FindDialog(main.m_hWnd)) != nullptr; },
                    [&] { c.close(dlg); });
        EXPECT_EQ(c.expected, box.DoModal()) << c.how;
        EXPECT_TRUE(script.Finished()) << c.how;
        EXPECT_FALSE(::IsWindow(dlg)) << c.how;
        EXPECT_TRUE(::IsWindowEnabled(main.m_hWnd)) << c.how;
        EXPECT_EQ(mainTextBefore, WindowText(main.m_hWnd)) << c.how;
    }
}

}  // namespace
