// Reading a registry text the way the metrics do: into a buffer of a fixed size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace UpdateConf {

/// A text value read into a buffer of `capacity` bytes, without the NUL it may have been stored with;
/// `stored`, when given, receives the bytes the registry returned.
platform::ErrorCode queryText(platform::RegKey key, std::string_view name, std::uint32_t capacity, std::string& text,
                              std::uint32_t* stored = nullptr);

}  // namespace UpdateConf
