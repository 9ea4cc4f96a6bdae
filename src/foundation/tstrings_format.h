// printf-style formatting into narrow strings.
#pragma once

#include <string>

namespace tstrings {

/// Formats like printf. A null format throws MevError<std::invalid_argument>.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tstrings
