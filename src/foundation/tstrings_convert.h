// UTF-8 and UTF-16 conversions. Malformed input becomes U+FFFD rather than failing.
#pragma once

#include <string>
#include <string_view>

namespace tstrings {

std::string toUtf8(std::u16string_view text);
std::u16string toUtf16(std::string_view text);

}  // namespace tstrings
