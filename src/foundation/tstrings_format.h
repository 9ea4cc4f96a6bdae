// printf-style formatting into narrow strings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tstrings {

/// Formats like printf. A null format throws MevError<std::invalid_argument>.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

/// Replaces the "%s" placeholders of a string-table text by `arguments`, in order, and leaves every
/// other "%" alone: a translated text is no format string to hand to printf.
std::string fillIn(const std::string& pattern, const std::vector<std::string>& arguments);

/// `text` with every double quote doubled, as a quoted command-line value writes one.
std::string doubleQuotes(std::string_view text);

/// Compares like _stricmp: ASCII letters without regard to case; < 0, 0 or > 0.
int compareNoCase(std::string_view a, std::string_view b);

/// `text` as a C buffer of `bytes` bytes would hold it: at most `bytes` - 1 bytes, cut before a UTF-8
/// sequence rather than through it.
std::string fitBuffer(std::string text, std::size_t bytes);

}  // namespace tstrings
