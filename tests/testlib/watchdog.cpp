#include "watchdog.h"

#include <cstdio>
#include <cstdlib>

#include "bytes.h"
#include "screenshot.h"

namespace kavrin::testlib {

Watchdog::Watchdog(std::string what, DWORD timeoutMs)
    : what_(std::move(what)), timeoutMs_(timeoutMs) {
    disarmed_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &Watchdog::Watch, this, 0, nullptr);
}

Watchdog::~Watchdog() {
    if (disarmed_) SetEvent(disarmed_);
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (disarmed_) CloseHandle(disarmed_);
}

DWORD WINAPI Watchdog::Watch(void* param) {
    auto* self = static_cast<Watchdog*>(param);
    if (WaitForSingleObject(self->disarmed_, self->timeoutMs_) != WAIT_TIMEOUT) return 0;
    std::fprintf(stderr, "watchdog: %s blocked for more than %lu ms; ending the test process\n",
                 self->what_.c_str(), static_cast<unsigned long>(self->timeoutMs_));
    std::string name = "watchdog-" + self->what_;
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            c = '_';
    std::string shot = SaveScreenshot(name);
    if (!shot.empty()) std::fprintf(stderr, "watchdog: screen saved in %s\n", shot.c_str());
    std::fflush(stderr);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), kWatchdogExitCode);
    return 0;
}

DWORD WatchdogLimitMs() {
    std::string value = EnvVar("KAVRIN_WATCHDOG_SECONDS");
    long seconds = value.empty() ? 0 : std::strtol(value.c_str(), nullptr, 10);
    return static_cast<DWORD>(seconds > 0 ? seconds : 60) * 1000;
}

}  // namespace kavrin::testlib
