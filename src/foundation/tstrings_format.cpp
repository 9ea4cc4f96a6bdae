#include "foundation/tstrings_format.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "foundation/errors.h"

namespace tstrings {

std::string format(const char* fmt, ...) {
    if (fmt == nullptr) ZARN_THROW(std::invalid_argument, "Destination buffer can't be NULL");

    constexpr std::size_t step = 256;
    std::vector<char> buffer(step);
    for (;;) {
        va_list args;
        va_start(args, fmt);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        const int written = std::vsnprintf(buffer.data(), buffer.size(), fmt, args);
#pragma GCC diagnostic pop
        va_end(args);
        if (written < 0) ZARN_THROW(std::invalid_argument, std::string("Cannot format '") + fmt + "'");
        const auto length = static_cast<std::size_t>(written);
        if (length < buffer.size()) return std::string(buffer.data(), length);
        // Grow in whole steps until the text fits.
        buffer.resize((length / step + 1) * step);
    }
}

std::string fillIn(const std::string& pattern, const std::vector<std::string>& arguments) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && next < arguments.size()) {
            out += arguments[next++];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string doubleQuotes(std::string_view text) {
    std::string doubled;
    doubled.reserve(text.size());
    for (const char c : text) {
        doubled += c;
        if (c == '"') doubled += '"';
    }
    return doubled;
}

std::string fitBuffer(std::string text, std::size_t bytes) {
    if (bytes == 0) return {};
    if (text.size() < bytes) return text;
    std::size_t end = bytes - 1;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

int compareNoCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i]));
        const int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x - y;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace tstrings
