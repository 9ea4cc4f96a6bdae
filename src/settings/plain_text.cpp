#include "settings/plain_text.h"

#include <cstdint>
#include <cstring>

namespace settings_impl {

namespace {

// The length of the sequence a byte opens, or 0 when it cannot start one.
std::size_t sequenceLength(unsigned char lead) noexcept {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    if ((lead & 0xFC) == 0xF8) return 5;
    if ((lead & 0xFE) == 0xFC) return 6;
    return 0;
}

bool isContinuation(unsigned char c) noexcept { return (c & 0xC0) == 0x80; }

}  // namespace

std::size_t findInvalidUtf8(std::string_view text) noexcept {
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Configuration text is mostly ASCII: eight such bytes are taken at once.
        std::uint64_t eight = 0;
        if (text.size() - pos >= sizeof eight) {
            std::memcpy(&eight, text.data() + pos, sizeof eight);
            if ((eight & 0x8080808080808080u) == 0) {
                pos += sizeof eight;
                continue;
            }
        }
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[pos]));
        if (length == 0 || length > text.size() - pos) return pos;
        for (std::size_t i = 1; i < length; ++i) {
            if (!isContinuation(static_cast<unsigned char>(text[pos + i]))) return pos + i;
        }
        pos += length;
    }
    return pos;
}

}  // namespace settings_impl
