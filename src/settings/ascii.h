// Byte-wise case folding: only A to Z change, every other byte (UTF-8 included) stays.
#pragma once

#include <string>
#include <string_view>

namespace settings_impl {

std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);
/// Whether the two fold to the same text; copies nothing.
bool equalsNoCaseAscii(std::string_view a, std::string_view b);

}  // namespace settings_impl
