// Data protection and Base64 for policy values: the platform's calls, with failures raised as runtime
// errors that name the step and the system error.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace au {

using Bytes = std::vector<std::uint8_t>;

/// Protects `plain` for the current user, or with `forMachine` for every user of the machine.
Bytes protect(std::span<const std::uint8_t> plain, bool forMachine);
/// Opens a blob made by `protect`.
Bytes unprotect(std::span<const std::uint8_t> blob);
/// Base64 without line breaks; empty for no bytes.
std::string binary2string(std::span<const std::uint8_t> bytes);
/// The bytes of a Base64 text; empty for an empty text.
Bytes string2binary(std::string_view text);

}  // namespace au
