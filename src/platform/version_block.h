// The layout of a version resource (VS_VERSIONINFO) and its fixed record, shared by the code that reads
// a file's version and the simulated machine that gives files one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::version {

inline constexpr std::uint32_t fixedSignature = 0xFEEF04BD;
inline constexpr std::size_t fixedRecordSize = 52;  // VS_FIXEDFILEINFO

/// The root value of a version block, as VerQueryValue(block, "\") gives it: nullopt when the block
/// is too short to hold its header or its key is not "VS_VERSION_INFO".
std::optional<std::span<const std::uint8_t>> rootValue(std::span<const std::uint8_t> block);

/// The fixed record (at least 52 bytes) begins with the signature 0xFEEF04BD.
bool hasFixedSignature(std::span<const std::uint8_t> fixedRecord);

/// The four numbers (major, minor, build, revision) of a fixed record of at least 52 bytes.
std::array<std::uint16_t, 4> numbers(std::span<const std::uint8_t> fixedRecord);

/// A minimal version block holding only the fixed record for `numbers`.
std::vector<std::uint8_t> makeBlock(const std::array<std::uint16_t, 4>& numbers);

}  // namespace platform::version
