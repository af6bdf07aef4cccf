// Catches the message boxes shown by code under test and answers them, so that nothing waits for
// a person. The real MessageBoxA runs; a thread-local WH_CBT hook sees each box as it is activated,
// and a moment later, from the box's own loop once it has set itself up, the box is recorded and
// the answer queued for it is clicked.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace kavrin::testlib {

struct MessageBoxRecord {
    HWND owner = nullptr;  // the box's owner window, as the box reports it
    std::string text;      // bytes as MessageBoxA got them (code page 932 for Japanese texts)
    std::string caption;
    UINT type = 0;         // MB_ buttons | MB_ICON | MB_DEFBUTTON, recovered from the box's controls
    int answer = 0;        // the button pressed on the box
    bool unexpected = false;
};

// One per test, on the thread that shows the boxes. A box with no answer queued is answered with
// its cancel (or no, or ok) button and fails the test, naming its text and caption.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    // Queues the button (IDOK, IDYES, ...) that answers the next box.
    MessageBoxCatcher& Answer(int button);

    const std::vector<MessageBoxRecord>& Boxes() const { return boxes_; }
    size_t Pending() const { return answers_.size(); }

    // Is this window a message box (rather than some other dialog of class #32770)?
    static bool IsMessageBox(HWND hwnd);
    // The MB_ type flags a shown box was made with, recovered from its buttons and icon.
    static UINT TypeOf(HWND box);

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    void OnActivate(HWND box);
    static void CALLBACK OnSettled(HWND, UINT, UINT_PTR timer, DWORD);
    void Record(HWND box);

    HHOOK hook_ = nullptr;
    MessageBoxCatcher* previous_ = nullptr;
    std::deque<int> answers_;
    std::vector<MessageBoxRecord> boxes_;
    std::vector<HWND> seen_;  // a box is activated again whenever focus comes back to it
    std::vector<HWND> settling_;
    UINT_PTR settleTimer_ = 0;
};

// "MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2": for failure messages.
std::string DescribeMessageBoxType(UINT type);

}  // namespace kavrin::testlib
