// Fixed values of the configuration library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace settings_impl {

/// A configuration file of this many bytes or more is refused as too long.
inline constexpr std::size_t maxFileSize = 1048576;

/// File names of this many bytes or more are refused (MAX_PATH).
inline constexpr std::size_t maxPathBytes = 260;
/// The current directory must fit a buffer of this many UTF-16 units, terminator included.
inline constexpr std::size_t maxCurrentDirectoryUnits = 260;

/// Under the common application-data folder.
inline constexpr const char* runtimeConfigRelativePath = "\\Corvane\\Zarn\\zarn.settings.cfg";

/// A new runtime configuration file: Administrators full access; the Domain Users group of the
/// user's account domain and Everyone read. The group's SID goes between the two parts.
inline constexpr const char* runtimeConfigSddlHead = "D:(A;;FA;;;BA)(A;;FR;;;";
inline constexpr const char* runtimeConfigSddlTail = ")(A;;FR;;;WD)";

/// Type codes of configuration values.
namespace type {
inline constexpr std::uint32_t text = 100;
inline constexpr std::uint32_t string = 101;
inline constexpr std::uint32_t integer = 102;
inline constexpr std::uint32_t boolean = 103;
inline constexpr std::uint32_t real = 104;
}  // namespace type

}  // namespace settings_impl
