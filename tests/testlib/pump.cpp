#include "pump.h"

#include <gtest/gtest.h>

#include <map>

namespace kavrin::testlib {

namespace {

// Thread timers carry no pointer of their own: find the script by its timer id.
thread_local std::map<UINT_PTR, ModalScript*>* scripts = nullptr;

std::map<UINT_PTR, ModalScript*>& Scripts() {
    if (!scripts) scripts = new std::map<UINT_PTR, ModalScript*>;
    return *scripts;
}

constexpr UINT kTickMs = 10;

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return done();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Not ours to swallow: leave it for the loop above us.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return done();
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (done()) return true;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, timeoutMs - elapsed),
                                  QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

ModalScript::ModalScript() {
    timer_ = SetTimer(nullptr, 0, kTickMs, &ModalScript::OnTimer);
    if (timer_) Scripts()[timer_] = this;
    else ADD_FAILURE() << "ModalScript: SetTimer failed, error " << GetLastError();
    stepStart_ = GetTickCount();
}

ModalScript::~ModalScript() {
    if (timer_) {
        KillTimer(nullptr, timer_);
        Scripts().erase(timer_);
    }
    if (!steps_.empty() && !failed_)
        ADD_FAILURE() << "ModalScript: step never ran: " << steps_.front().what;
}

ModalScript& ModalScript::When(std::string what, std::function<bool()> ready,
                               std::function<void()> action, DWORD timeoutMs) {
    if (steps_.empty()) stepStart_ = GetTickCount();
    steps_.push_back({std::move(what), std::move(ready), std::move(action), timeoutMs});
    return *this;
}

ModalScript& ModalScript::Then(std::string what, std::function<void()> action) {
    return When(std::move(what), [] { return true; }, std::move(action));
}

void CALLBACK ModalScript::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Scripts().find(id);
    if (it != Scripts().end()) it->second->Tick();
}

void ModalScript::Tick() {
    // An action may open a modal loop of its own (a message box) that dispatches this timer again.
    if (running_ || steps_.empty()) return;
    Step& step = steps_.front();
    if (step.ready()) {
        Step current = std::move(step);
        steps_.pop_front();
        stepStart_ = GetTickCount();
        running_ = true;
        current.action();
        running_ = false;
        return;
    }
    if (GetTickCount() - stepStart_ >= step.timeoutMs) Fail();
}

void ModalScript::Fail() {
    ADD_FAILURE() << "ModalScript: not ready after " << steps_.front().timeoutMs
                  << " ms: " << steps_.front().what;
    failed_ = true;
    steps_.clear();
    CancelThreadDialogs();
}

void CancelThreadDialogs() {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM) -> BOOL {
            char cls[16] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(hwnd))
                PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return TRUE;
        },
        0);
}

}  // namespace kavrin::testlib
