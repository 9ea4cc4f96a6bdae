// The plain-text check: well-formed UTF-8 in the library's sense (sequences of up to six bytes).
#pragma once

#include <cstddef>
#include <string_view>

namespace settings_impl {

/// The position of the first byte that fails the check, or `text.size()` when the whole text passes.
/// A sequence cut off by the end of the text fails at its lead byte.
std::size_t findInvalidUtf8(std::string_view text) noexcept;

inline bool isPlainText(std::string_view text) noexcept { return findInvalidUtf8(text) == text.size(); }

}  // namespace settings_impl
