// Text to number conversions of configuration values; each raises 302 when no number can be read.
#pragma once

#include <cstdint>
#include <string_view>

namespace settings_impl {

/// Leading blanks dropped; "0x" or "-0x" reads hexadecimal, a leading "0" or "-0" octal, anything else
/// decimal; reading stops at the first character that does not fit.
std::int32_t textToInt(std::string_view text);

/// "yes" and "true" (any case) are true, "no" and "false" false; any other text is read as an integer.
bool textToBool(std::string_view text);

/// Leading blanks dropped, then a decimal floating-point number; trailing text is ignored.
double textToDouble(std::string_view text);

}  // namespace settings_impl
