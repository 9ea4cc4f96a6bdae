// Numbers read from text as a stream extraction in the classic locale reads them, without the
// iostreams: leading white space is skipped and reading stops at the first character that does not
// fit, so what follows the number is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace numberText {

/// A whole number in `base` (8, 10 or 16): an optional sign, in base 16 an optional "0x" that must be
/// followed by a digit, then the longest run of the base's digits. Nothing when no digit was read or
/// the value does not fit in [`lowest`, `highest`].
std::optional<std::int64_t> extractInteger(std::string_view text, int base, std::int64_t lowest, std::int64_t highest);

/// A decimal floating-point number: the longest prefix of the form [sign] digits [. digits]
/// [e [sign] digits] (an exponent only after a digit). Nothing when that prefix is not a whole
/// number (".", "1e") or the value overflows.
std::optional<double> extractDouble(std::string_view text);

}  // namespace numberText
