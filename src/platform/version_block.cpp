#include "platform/version_block.h"

#include <iterator>

namespace platform::version {

namespace {

// wLength, wValueLength, wType, then L"VS_VERSION_INFO" with its NUL, padded to 32 bits.
constexpr std::size_t headerSize = 6 + 2 * 16;
constexpr std::size_t valueOffset = (headerSize + 3) & ~std::size_t{3};

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

void putWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

constexpr char16_t versionKey[] = u"VS_VERSION_INFO";

std::optional<std::span<const std::uint8_t>> rootValue(std::span<const std::uint8_t> block) {
    if (block.size() < valueOffset) return std::nullopt;
    // Another resource read as a version would give numbers that mean nothing.
    for (std::size_t i = 0; i < std::size(versionKey); ++i) {
        if (word(block, 6 + 2 * i) != versionKey[i]) return std::nullopt;
    }
    const std::size_t length = word(block, 2);
    const std::size_t available = block.size() - valueOffset;
    return block.subspan(valueOffset, length < available ? length : available);
}

bool hasFixedSignature(std::span<const std::uint8_t> fixed) {
    return (static_cast<std::uint32_t>(word(fixed, 2)) << 16 | word(fixed, 0)) == fixedSignature;
}

std::array<std::uint16_t, 4> numbers(std::span<const std::uint8_t> fixed) {
    // dwFileVersionMS at offset 8, dwFileVersionLS at 12, each little-endian: high word first in meaning.
    return {word(fixed, 10), word(fixed, 8), word(fixed, 14), word(fixed, 12)};
}

std::vector<std::uint8_t> makeBlock(const std::array<std::uint16_t, 4>& v) {
    std::vector<std::uint8_t> block(valueOffset + fixedRecordSize, 0);
    putWord(block, 0, static_cast<std::uint16_t>(block.size()));
    putWord(block, 2, static_cast<std::uint16_t>(fixedRecordSize));
    for (std::size_t i = 0; i + 1 < std::size(versionKey); ++i) putWord(block, 6 + 2 * i, versionKey[i]);
    const std::size_t f = valueOffset;
    putWord(block, f, static_cast<std::uint16_t>(fixedSignature & 0xFFFF));
    putWord(block, f + 2, static_cast<std::uint16_t>(fixedSignature >> 16));
    putWord(block, f + 8, v[1]);
    putWord(block, f + 10, v[0]);
    putWord(block, f + 12, v[3]);
    putWord(block, f + 14, v[2]);
    return block;
}

}  // namespace platform::version
