// The kernel port: handles, ids, time and sleep. Threads, synchronisation objects and shared-memory
// sections join it when the threading code needs them.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

class Kernel {
public:
    virtual ~Kernel() = default;

    /// CloseHandle: 6 (invalid handle) for a handle that is not open.
    virtual ErrorCode closeHandle(Handle handle) = 0;

    virtual std::uint32_t currentProcessId() = 0;
    virtual std::uint32_t currentThreadId() = 0;

    /// GetTickCount: milliseconds since start, wrapping at 2^32.
    virtual std::uint32_t tickCount() = 0;
    virtual std::uint64_t tickCount64() = 0;
    /// QueryPerformanceCounter and QueryPerformanceFrequency.
    virtual ErrorCode performanceCounter(std::int64_t& value) = 0;
    virtual ErrorCode performanceFrequency(std::int64_t& value) = 0;

    virtual void sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace platform
