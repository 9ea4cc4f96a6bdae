// A periodic timer: a worker thread calls a runnable every period until the timer is stopped.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "ipc/conditional.h"
#include "ipc/thread.h"

namespace ipc {

class Timer {
public:
    class Runnable {
    public:
        virtual ~Runnable() = default;
        /// One tick; may call `timer.stop(false)` to end the timer.
        virtual void run(Timer& timer) = 0;
    };

    /// Calls the runnable, then sleeps for the period, until the stop flag is set; then marks the
    /// timer finished and wakes whoever waits for it.
    class Worker final : public ipc::Runnable {
    public:
        Worker(Timer& timer, Timer::Runnable* runnable, bool owned);
        void run() override;

    private:
        Timer& timer_;
        Timer::Runnable* runnable_;
        std::unique_ptr<Timer::Runnable> owned_;
    };

    explicit Timer(std::uint32_t periodMilliseconds);
    /// Stops a started timer and waits for its worker.
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    /// Starts a worker for `runnable` on a thread that owns the worker; returns the thread's id.
    std::uint32_t start(Timer::Runnable* runnable, bool owned);
    /// Sets the stop flag; with `wait`, blocks until the worker has finished and its thread ended.
    void stop(bool wait);

    bool stopRequested() const { return stop_.load(); }
    std::uint32_t period() const { return period_; }

private:
    Conditional conditional_;
    bool finished_ = false;  // guarded by the conditional's mutex
    std::atomic<bool> stop_{false};
    std::uint32_t period_;
    std::uint32_t worker_ = Thread::noThread;
};

}  // namespace ipc
