#include "platform/sim/kernel_sim.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

#include "platform/win_errors.h"

namespace sim {

namespace {
constexpr std::int64_t counterFrequency = 10'000'000;  // 100 ns ticks, as current Windows reports
}

platform::ErrorCode SimKernel::closeHandle(platform::Handle handle) {
    if (auto fault = faults_.check("Kernel.closeHandle")) return *fault;
    return handles_.close(handle) ? platform::err::success : platform::err::invalidHandle;
}

std::uint32_t SimKernel::currentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

std::uint32_t SimKernel::currentThreadId() { return static_cast<std::uint32_t>(::syscall(SYS_gettid)); }

std::uint64_t SimKernel::tickCount64() {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    // Windows machines have been up a while; start well away from zero.
    return 3'600'000 + tickOffset_.load() +
           static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

std::uint32_t SimKernel::tickCount() { return static_cast<std::uint32_t>(tickCount64()); }

platform::ErrorCode SimKernel::performanceCounter(std::int64_t& value) {
    if (auto fault = faults_.check("Kernel.performanceCounter")) return *fault;
    if (counterFixed_) {
        value = counter_;
        return platform::err::success;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    value = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 100;
    return platform::err::success;
}

platform::ErrorCode SimKernel::performanceFrequency(std::int64_t& value) {
    if (auto fault = faults_.check("Kernel.performanceFrequency")) return *fault;
    value = counterFrequency;
    return platform::err::success;
}

void SimKernel::sleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SimKernel::setPerformanceCounter(std::optional<std::int64_t> value) {
    if (value) counter_ = *value;
    counterFixed_ = value.has_value();
}

}  // namespace sim
