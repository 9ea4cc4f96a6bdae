// Byte-wise case folding: only A to Z change, every other byte (UTF-8 included) stays.
#pragma once

#include <string>
#include <string_view>

namespace settings_impl {

std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);

}  // namespace settings_impl
