// A condition variable made of one event per waiter, so that notify wakes waiters oldest first.
#pragma once

#include <memory>

#include "ipc/mutex.h"
#include "ipc/wait.h"

namespace ipc {

class Conditional {
public:
    Conditional();
    ~Conditional();
    Conditional(const Conditional&) = delete;
    Conditional& operator=(const Conditional&) = delete;

    /// The mutex to hold around `wait`.
    Mutex& mutex() { return mutex_; }

    /// Releases `lock` (a lock of `mutex()`), waits for a notify and takes the lock again. It may
    /// return without one (a failed event or wait): callers wait in a loop on their condition.
    void wait(Mutex::Lock& lock) { waitFor(lock, infinite); }
    /// The same, giving up after `milliseconds`: false when the time ran out without a notify.
    bool waitFor(Mutex::Lock& lock, std::uint32_t milliseconds);
    /// Wakes the oldest waiter, or all of them one by one; does nothing without waiters.
    void notify(bool all);

private:
    struct Impl;
    Mutex mutex_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ipc
