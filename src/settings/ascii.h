// Byte-wise case folding: only A to Z change, every other byte (UTF-8 included) stays.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace settings_impl {

inline char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);
/// Whether the two fold to the same text; copies nothing.
inline bool equalsNoCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

}  // namespace settings_impl
