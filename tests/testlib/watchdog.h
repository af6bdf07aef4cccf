// Ends the test process with a clear message when a test blocks, instead of leaving ctest to wait
// for its own, much later, timeout. Every test that links the library is watched: a test that runs
// longer than KAVRIN_WATCHDOG_SECONDS (default 60) ends the process with kWatchdogExitCode after
// naming the test and saving a screenshot named after it.
#pragma once

#include <windows.h>

#include <string>

namespace kavrin::testlib {

constexpr int kWatchdogExitCode = 99;

// Arms a timer on a thread of its own; if it is not destroyed within timeoutMs, prints
// "watchdog: <what> blocked for more than N ms" to stderr and ends the process.
class Watchdog {
public:
    Watchdog(std::string what, DWORD timeoutMs);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Watch(void* self);

    std::string what_;
    DWORD timeoutMs_;
    HANDLE disarmed_ = nullptr;
    HANDLE thread_ = nullptr;
};

// The per-test limit in milliseconds, from KAVRIN_WATCHDOG_SECONDS.
DWORD WatchdogLimitMs();

}  // namespace kavrin::testlib
