#include <gtest/gtest.h>

#include <thread>

#include "contract.h"
#include "platform/win_errors.h"

namespace {

TEST(KernelContract, IdsAndClocks) {
    auto& kernel = platform::machine().kernel();
    EXPECT_NE(kernel.currentProcessId(), 0u);
    const auto mainThread = kernel.currentThreadId();
    std::uint32_t other = 0;
    std::thread([&] { other = kernel.currentThreadId(); }).join();
    EXPECT_NE(other, mainThread);

    const auto before = kernel.tickCount64();
    std::int64_t counter0 = 0, counter1 = 0, frequency = 0;
    EXPECT_EQ(kernel.performanceCounter(counter0), platform::err::success);
    kernel.sleep(30);
    EXPECT_EQ(kernel.performanceCounter(counter1), platform::err::success);
    EXPECT_EQ(kernel.performanceFrequency(frequency), platform::err::success);
    EXPECT_GE(kernel.tickCount64() - before, 20u);
    EXPECT_GT(frequency, 0);
    EXPECT_GE((counter1 - counter0) * 1000 / frequency, 20);
    EXPECT_EQ(static_cast<std::uint32_t>(kernel.tickCount64()) - kernel.tickCount() < 1000u, true);
}

TEST(KernelContract, ClosingAnUnknownHandleFails) {
    EXPECT_EQ(platform::machine().kernel().closeHandle(static_cast<platform::Handle>(0x7FFC)),
              platform::err::invalidHandle);
}

}  // namespace
