// String table identifiers of the configuration error messages.
#pragma once

#include <cstdint>

namespace config {

inline constexpr std::uint32_t idsConfigErrorCaption = 3073;
inline constexpr std::uint32_t idsConfigPathTooLong = 3074;
inline constexpr std::uint32_t idsConfigCannotOpen = 3075;
inline constexpr std::uint32_t idsConfigNotPlainText = 3076;
inline constexpr std::uint32_t idsConfigPathInvalid = 3077;
inline constexpr std::uint32_t idsConfigNoPermission = 3078;
inline constexpr std::uint32_t idsConfigMalformed = 3079;
inline constexpr std::uint32_t idsConfigWriteFailed = 3080;
inline constexpr std::uint32_t idsConfigReadFailed = 3081;
inline constexpr std::uint32_t idsConfigInternalError = 3082;
inline constexpr std::uint32_t idsConfigWrongType = 3083;
inline constexpr std::uint32_t idsConfigUnknownKey = 3084;
inline constexpr std::uint32_t idsConfigEmptyArgument = 3086;
inline constexpr std::uint32_t idsConfigPathNotPlainText = 3087;
inline constexpr std::uint32_t idsConfigFileTooLong = 3088;
inline constexpr std::uint32_t idsConfigSwitchErrors = 3089;

}  // namespace config
