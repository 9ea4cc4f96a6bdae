// Waits and time stamps that turn kernel failures into ipc errors.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/types.h"

namespace ipc {

inline constexpr std::uint32_t infinite = 0xFFFFFFFFu;

/// WaitForSingleObject: a failed wait throws MevError<PlatformError>, a time-out
/// MevError<TimeoutExpiredError>; signalled and abandoned return their result.
std::uint32_t waitForSingleObject(platform::Handle handle, std::uint32_t milliseconds);

/// Calls `step` until it returns without a PlatformError, at most `attempts` times (`untilDone`:
/// without limit), 1 ms apart, logging each failure; the last failure passes on. For waits and signals on the process's own
/// objects, which fail only transiently, and after which a thread must not be left waiting for ever.
inline constexpr int untilDone = 0;
inline constexpr int transientAttempts = 10;
void retried(const char* what, int attempts, const std::function<void()>& step);

/// QueryPerformanceCounter and QueryPerformanceFrequency; failures throw MevError<PlatformError>.
std::int64_t performanceCounter();
std::int64_t performanceFrequency();

}  // namespace ipc
