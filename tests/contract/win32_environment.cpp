// Runs the contract suites on the real machine (under Wine in CI).
#include <gtest/gtest.h>

#include "foundation/logger.h"
#include "platform/win32/win32_machine.h"

namespace {

class Win32Environment : public testing::Environment {
public:
    void SetUp() override {
        platform::installMachine(&machine_);
        startLogging();
    }
    void TearDown() override { platform::installMachine(nullptr); }

private:
    platform::win32::Win32Machine machine_;
};

const auto* const registered = testing::AddGlobalTestEnvironment(new Win32Environment);

}  // namespace
