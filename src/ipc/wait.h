// Waits and time stamps that turn kernel failures into ipc errors.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace ipc {

inline constexpr std::uint32_t infinite = 0xFFFFFFFFu;

/// WaitForSingleObject: a failed wait throws MevError<PlatformError>, a time-out
/// MevError<TimeoutExpiredError>; signalled and abandoned return their result.
std::uint32_t waitForSingleObject(platform::Handle handle, std::uint32_t milliseconds);

/// QueryPerformanceCounter and QueryPerformanceFrequency; failures throw MevError<PlatformError>.
std::int64_t performanceCounter();
std::int64_t performanceFrequency();

}  // namespace ipc
