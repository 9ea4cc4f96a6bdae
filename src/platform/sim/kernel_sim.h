// The simulated kernel: the process's handle table, real ids and clocks, and a performance counter
// a test can drive.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>

#include "platform/kernel.h"
#include "platform/sim/faults.h"
#include "platform/sim/handle_table.h"

namespace sim {

class SimKernel final : public platform::Kernel {
public:
    SimKernel(Faults& faults, HandleTable& handles) : faults_(faults), handles_(handles) {}

    platform::ErrorCode closeHandle(platform::Handle handle) override;
    std::uint32_t currentProcessId() override;
    std::uint32_t currentThreadId() override;
    std::uint32_t tickCount() override;
    std::uint64_t tickCount64() override;
    platform::ErrorCode performanceCounter(std::int64_t& value) override;
    platform::ErrorCode performanceFrequency(std::int64_t& value) override;
    void sleep(std::uint32_t milliseconds) override;

    /// Fixes the performance counter at `value` (ticks of 100 ns); nullopt lets it run with the clock.
    void setPerformanceCounter(std::optional<std::int64_t> value);
    /// Adds to the tick count, to test wrap-around and elapsed-time rules.
    void advanceTicks(std::uint64_t milliseconds) { tickOffset_ += milliseconds; }

private:
    Faults& faults_;
    HandleTable& handles_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<std::uint64_t> tickOffset_{0};
    std::atomic<bool> counterFixed_{false};
    std::atomic<std::int64_t> counter_{0};
};

}  // namespace sim
