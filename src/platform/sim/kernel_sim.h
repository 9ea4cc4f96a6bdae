// The simulated kernel: the process's handle table, real ids and clocks, a performance counter a
// test can drive, real threads and synchronisation, and named sections on POSIX shared memory.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/kernel.h"
#include "platform/sim/faults.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/section_sim.h"
#include "platform/sim/sync_sim.h"

namespace sim {

class SimKernel final : public platform::Kernel {
public:
    /// Waits until the threads started on this machine have ended (a test's machine outlives a
    /// request it let go of); false when `limit` passed first.
    bool waitForThreads(std::chrono::milliseconds limit) { return threads_.waitForAll(limit); }

    /// `sectionPrefix` is the POSIX shared-memory prefix of this machine's named sections.
    SimKernel(Faults& faults, HandleTable& handles, std::string sectionPrefix)
        : faults_(faults), handles_(handles), sections_(std::move(sectionPrefix)) {}

    platform::ErrorCode closeHandle(platform::Handle handle) override;
    std::uint32_t currentProcessId() override;
    std::uint32_t currentThreadId() override;
    std::uint32_t tickCount() override;
    std::uint64_t tickCount64() override;
    platform::ErrorCode performanceCounter(std::int64_t& value) override;
    platform::ErrorCode performanceFrequency(std::int64_t& value) override;
    void sleep(std::uint32_t milliseconds) override;

    platform::ErrorCode createThread(platform::ThreadEntry entry, void* argument, platform::Handle& out,
                                     std::uint32_t& threadId) override;
    platform::ErrorCode openThread(std::uint32_t access, std::uint32_t threadId, platform::Handle& out) override;
    platform::ErrorCode exitCodeThread(platform::Handle thread, std::uint32_t& code) override;
    platform::ErrorCode createMutex(bool initialOwner, platform::Handle& out) override;
    platform::ErrorCode releaseMutex(platform::Handle mutex) override;
    platform::ErrorCode createEvent(bool manualReset, bool initialState, platform::Handle& out) override;
    platform::ErrorCode setEvent(platform::Handle event) override;
    platform::ErrorCode resetEvent(platform::Handle event) override;
    std::uint32_t waitForSingleObject(platform::Handle object, std::uint32_t milliseconds,
                                      platform::ErrorCode& error) override;
    platform::ErrorCode createFileMapping(std::uint32_t protect, std::uint64_t size, std::string_view name,
                                          platform::Handle& out, bool& existed) override;
    platform::ErrorCode openFileMapping(std::uint32_t access, std::string_view name, platform::Handle& out) override;
    platform::ErrorCode mapViewOfFile(platform::Handle section, std::uint32_t access, std::uint64_t offset,
                                      std::size_t size, void*& out) override;
    platform::ErrorCode flushViewOfFile(const void* address, std::size_t size) override;
    platform::ErrorCode unmapViewOfFile(const void* address) override;
    platform::ErrorCode createGuid(std::string& out) override;

    /// Fixes the performance counter at `value` (ticks of 100 ns); nullopt lets it run with the clock.
    void setPerformanceCounter(std::optional<std::int64_t> value);
    /// Adds to the tick count, to test wrap-around and elapsed-time rules.
    void advanceTicks(std::uint64_t milliseconds) { tickOffset_ += milliseconds; }

    const SectionNamespace& sections() const { return sections_; }
    /// Views mapped and not yet unmapped.
    std::size_t viewCount() const;

private:
    struct View {
        std::shared_ptr<SimSection> section;  // a view keeps its section alive, as on Windows
        void* mapping = nullptr;
        std::size_t length = 0;
    };

    Faults& faults_;
    HandleTable& handles_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<std::uint64_t> tickOffset_{0};
    std::atomic<bool> counterFixed_{false};
    std::atomic<std::int64_t> counter_{0};
    ThreadRegistry threads_;
    SectionNamespace sections_;
    mutable std::mutex viewsMutex_;
    std::map<std::uintptr_t, View> views_;
};

}  // namespace sim
