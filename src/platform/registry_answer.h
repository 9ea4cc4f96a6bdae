// How RegQueryValueEx hands a value's bytes to its caller; shared by both machines so they answer alike.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "platform/win_errors.h"

namespace platform::reg {

/// No buffer: the size only. A buffer too small: 234 and the size needed. Otherwise the bytes.
inline ErrorCode answerQuery(std::span<const std::uint8_t> bytes, std::uint8_t* data, std::uint32_t& size) {
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    const bool fits = data != nullptr && size >= needed;
    const ErrorCode answer = data == nullptr || fits ? err::success : err::moreData;
    if (fits) std::copy(bytes.begin(), bytes.end(), data);
    size = needed;
    return answer;
}

}  // namespace platform::reg
