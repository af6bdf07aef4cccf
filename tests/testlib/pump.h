// Bounded message pumping, and steps that run from inside whatever message loop is running.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace kavrin::testlib {

// Dispatches this thread's messages until done() is true or timeoutMs have passed.
// Returns done()'s last answer; never blocks longer than the timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Dispatches this thread's messages for ms milliseconds.
void PumpFor(DWORD ms);

// Steps to run while the test thread is blocked in a modal loop (DialogBox, a framework's DoModal,
// MessageBox). A thread timer fires from whichever loop is dispatching, checks the first step's
// condition and, once it holds, runs its action. A step that is not ready within its time fails the
// test with its description, the rest are dropped and this thread's dialogs are cancelled, so the
// modal call returns instead of hanging. The loop must dispatch thread messages (hwnd NULL), as
// GetMessage/IsDialogMessage/DispatchMessage loops do.
//
//   ModalScript script;
//   script.When("dialog shown", [&] { return (dlg = FindDialog(nullptr)) != nullptr; },
//               [&] { PostCommand(dlg, IDCANCEL); });
//   DialogBoxParamA(...);
//   EXPECT_TRUE(script.Finished());
class ModalScript {
public:
    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // Adds a step; ready is polled every few milliseconds for up to timeoutMs after the step before it.
    ModalScript& When(std::string what, std::function<bool()> ready, std::function<void()> action,
                      DWORD timeoutMs = 5000);
    // Adds a step that runs at once (after the step before it).
    ModalScript& Then(std::string what, std::function<void()> action);

    bool Finished() const { return steps_.empty() && !failed_; }
    bool Failed() const { return failed_; }

private:
    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> action;
        DWORD timeoutMs;
    };
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    void Fail();

    std::deque<Step> steps_;
    UINT_PTR timer_ = 0;
    DWORD stepStart_ = 0;
    bool failed_ = false;
    bool running_ = false;
};

// Cancels every visible dialog of this thread (WM_COMMAND IDCANCEL, posted), the way out of a
// modal loop that a test can no longer steer.
void CancelThreadDialogs();

}  // namespace kavrin::testlib
