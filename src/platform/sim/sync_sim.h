// Threads, mutexes and events of the simulated kernel: real threads and real blocking, with the
// wait results of WaitForSingleObject (signalled, abandoned, timed out).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/kernel.h"
#include <string_view>

#include "platform/sim/faults.h"
#include "platform/sim/handle_table.h"

namespace sim {

/// The calling thread's id as the simulated kernel reports it.
std::uint32_t currentThreadId();

/// A kernel object a thread can wait on.
class Waitable : public KernelObject {
public:
    /// `platform::kernel::waitObject0`, `waitAbandoned` or `waitTimeout`.
    virtual std::uint32_t wait(std::uint32_t milliseconds) = 0;
};

/// The common start of a wait: an injected fault for `operation` ends it (258 as a time-out, anything
/// else as a failed wait), so does a handle that is not a waitable object. Otherwise the object.
std::shared_ptr<Waitable> beginWait(Faults& faults, HandleTable& handles, std::string_view operation,
                                    platform::Handle object, std::uint32_t& result, platform::ErrorCode& error);

class SimEvent final : public Waitable {
public:
    SimEvent(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}
    void set();
    void reset();
    std::uint32_t wait(std::uint32_t milliseconds) override;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool signalled_;
};

/// A re-entrant mutex owned by a thread. A thread that ends while holding it abandons it: the next
/// waiter gets it with `waitAbandoned`.
class SimMutex final : public Waitable, public std::enable_shared_from_this<SimMutex> {
public:
    std::uint32_t wait(std::uint32_t milliseconds) override;
    /// False when the calling thread does not own it.
    bool release();
    /// Called for every mutex a thread still owns when it ends.
    void abandon(std::uint32_t threadId);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint32_t owner_ = 0;
    std::uint32_t count_ = 0;
    bool abandoned_ = false;
};

/// What a thread leaves behind: its id, whether it has ended and its exit code. Handles and the
/// running thread itself keep it alive, as they keep a Windows thread object alive.
struct ThreadRecord {
    std::mutex mutex;
    std::condition_variable changed;
    std::uint32_t id = 0;
    bool started = false;
    bool finished = false;
    std::uint32_t exitCode = platform::kernel::stillActive;
    int handles = 0;  // an ended thread with no handle left is gone, whoever still points at it
};

class SimThread final : public Waitable {
public:
    explicit SimThread(std::shared_ptr<ThreadRecord> record);
    ~SimThread() override;
    SimThread(const SimThread&) = delete;
    SimThread& operator=(const SimThread&) = delete;
    std::uint32_t wait(std::uint32_t milliseconds) override;
    std::uint32_t exitCode();

private:
    std::shared_ptr<ThreadRecord> record_;
};

/// The threads of the simulated process by id, for OpenThread.
class ThreadRegistry {
public:
    /// Starts `entry(argument)` on a new thread; null when the system has no thread to give.
    std::shared_ptr<ThreadRecord> start(platform::ThreadEntry entry, void* argument);
    /// The record of a thread that still exists (running, or ended with a handle open).
    std::shared_ptr<ThreadRecord> find(std::uint32_t id);
    /// Waits until every thread started has ended, or `limit` has passed; false in that case.
    bool waitForAll(std::chrono::milliseconds limit);

private:
    std::mutex mutex_;
    std::map<std::uint32_t, std::weak_ptr<ThreadRecord>> threads_;
};

}  // namespace sim
