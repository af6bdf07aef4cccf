// Watches every test of an executable that links the test library (see watchdog.h).
#include <gtest/gtest.h>

#include <memory>

#include "watchdog.h"

namespace kavrin::testlib {
namespace {

class WatchdogListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override {
        watchdog_ = std::make_unique<Watchdog>(
            std::string(test.test_suite_name()) + "." + test.name(), WatchdogLimitMs());
    }
    void OnTestEnd(const ::testing::TestInfo&) override { watchdog_.reset(); }

    std::unique_ptr<Watchdog> watchdog_;
};

const bool registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new WatchdogListener);
    return true;
}();

}  // namespace
}  // namespace kavrin::testlib
