// A re-entrant mutex on a kernel mutex, with scope objects that are tied to the thread that took
// them. Nested locks of one mutex on one thread chain their state words through the mutex.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace ipc {

class Mutex {
public:
    class Lock;
    class Unlock;

    Mutex();
    /// When a lock of this thread still holds the mutex, that lock inherits the handle and closes
    /// it at its end. A lock of another thread is waited for first.
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

private:
    static constexpr std::uint32_t held = 0x87654321u;
    static constexpr std::uint32_t orphaned = 0x12345678u;

    static platform::Handle create();
    static void destroy(platform::Handle handle);
    static void release(platform::Handle handle);

    platform::Handle impl_;
    std::uint32_t* state_ = nullptr;  // the state word of the innermost lock holding it
};

/// Holds the mutex for its scope.
class Mutex::Lock {
public:
    explicit Lock(Mutex& mutex);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    Mutex& mutex() const { return m; }

private:
    friend class Mutex;
    friend class Mutex::Unlock;

    Mutex& m;
    platform::Handle impl;
    std::uint32_t state = 0;
    std::uint32_t* prev = nullptr;
    std::uint32_t tid;
};

/// Lets go of a held lock for its scope and takes it again at its end.
class Mutex::Unlock {
public:
    explicit Unlock(Lock& lock);
    ~Unlock();
    Unlock(const Unlock&) = delete;
    Unlock& operator=(const Unlock&) = delete;

private:
    Lock& l;
};

}  // namespace ipc
