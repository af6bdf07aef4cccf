// What the framework tests share: an application object, an owner window, a form dialog.
#pragma once

#include <windows.h>

#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework.h"
#include "framework_test_res.h"

// An application object as a program would define one, with the help command in its map.
class TestApp : public CWinApp {
public:
    explicit TestApp(const char* name = nullptr) : CWinApp(name) { Start(::GetModuleHandleA(nullptr)); }
    const MessageMap* GetMessageMap() const override
    {
        static const MessageEntry entries[] = {fw::OnCommand<&TestApp::Help>(ID_HELP, 0)};
        static const MessageMap map = {CWinApp::GetMessageMap(), entries, 1};
        return &map;
    }
    void Help() { OnHelp(); }
};

// A visible top-level window to own dialogs, at a place of its choosing.
class OwnerWindow : public CWnd {
public:
    explicit OwnerWindow(int x = 300, int y = 200, int width = 400, int height = 300)
    {
        m_hWnd = ::CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height,
                                   nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    ~OwnerWindow() override { ::DestroyWindow(m_hWnd); }
};

// A form with a text and a number field, a button with a handler, two buttons whose handlers throw,
// and a record of what passed PreTranslateMessage and what WM_DESTROY found.
class TestForm : public CDialog {
public:
    explicit TestForm(CWnd* parent = nullptr, UINT templateId = IDD_TEST_FORM) : CDialog(templateId, parent) {}

    CString m_strText;
    int m_nNumber = 0;
    int m_buttonClicks = 0;
    std::vector<MSG> m_preTranslated;
    bool m_destroyFoundControls = false;
    bool m_visibleAtDestroy = true;
    CString m_textAtDestroy;
    bool m_exchangeOnInit = true;
    UINT m_swallowKey = 0;
    static constexpr UINT kOwnSysCommand = 0x0010;
    int m_ownSysCommands = 0;  // a key PreTranslateMessage consumes

    const MessageMap* GetMessageMap() const override
    {
        static const MessageEntry entries[] = {
            fw::OnCommand<&TestForm::OnButton>(IDC_TEST_BUTTON),
            fw::OnCommand<&TestForm::OnThrowMemory>(IDC_TEST_THROW_MEMORY),
            fw::OnCommand<&TestForm::OnThrowOther>(IDC_TEST_THROW_OTHER),
            fw::OnMessage<&TestForm::OnDestroy>(WM_DESTROY),
            fw::OnMessage<&TestForm::OnSysCommand>(WM_SYSCOMMAND),
            fw::OnMessage<&TestForm::OnQueryDragIcon>(WM_QUERYDRAGICON),
        };
        static const MessageMap map = {CDialog::GetMessageMap(), entries, std::size(entries)};
        return &map;
    }

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        if (GetTemplateId() != IDD_TEST_FORM)
            return;
        DDX_Text(dx, IDC_TEST_TEXT, m_strText);
        DDX_Text(dx, IDC_TEST_NUMBER, m_nNumber);
    }
    BOOL OnInitDialog() override { return m_exchangeOnInit ? CDialog::OnInitDialog() : TRUE; }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR)
            m_preTranslated.push_back(*msg);
        if (msg->message == WM_KEYDOWN && m_swallowKey && msg->wParam == m_swallowKey)
            return TRUE;
        return CDialog::PreTranslateMessage(msg);
    }
    void OnButton() { ++m_buttonClicks; }
    // Our own system command is answered here; the rest take the system's course (Close among them).
    void OnSysCommand(UINT id, LPARAM lParam)
    {
        if ((id & 0xFFF0) == kOwnSysCommand)
            ++m_ownSysCommands;
        else
            CWnd::OnSysCommand(id, lParam);
    }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(::LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION)); }
    void OnThrowMemory() { throw std::bad_alloc(); }
    void OnThrowOther() { throw std::runtime_error("broken"); }
    void OnDestroy()
    {
        CWnd::OnDestroy();
        HWND text = GetDlgItem(IDC_TEST_TEXT);
        m_destroyFoundControls = text != nullptr;
        m_visibleAtDestroy = ::IsWindowVisible(m_hWnd);
        if (text)
            m_textAtDestroy = CString::FromWindow(text);
    }
};

// Japanese texts as the program holds them (this file is compiled for code page 932).
inline const std::string kParseIntPrompt = "整数を入力してください。";
inline const std::string kHelpFailed = "ﾍﾙﾌﾟの起動に失敗しました。";
inline const std::string kNoMemory = "ﾒﾓﾘが不足しています。";
inline const std::string kInternalError = "ｱﾌﾟﾘｹｰｼｮﾝの内部ｴﾗｰです。";
