#include "foundation/tstrings_format.h"

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

}  // namespace tstrings
