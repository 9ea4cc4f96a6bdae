// Fixed facts of the product that the foundation layer needs: its own version, its folder names and
// the words of its display names.
#pragma once

#include <cstdint>

namespace product {

/// The runtime this installer carries.
inline constexpr const char* versionText = "1.8.0_45-b15";
/// The version without its build, as names and messages show it.
inline constexpr const char* plainVersion = "1.8.0_45";
inline constexpr std::int32_t runtimeKind = 1;  // 0 would be a development kit
inline constexpr const char* runtimePrefix = "kobu";
inline constexpr std::int32_t processBitness = sizeof(void*) == 8 ? 64 : 32;
/// The auto-update component this installer carries.
inline constexpr const char* carriedAuVersion = "2.8.45.15";

/// Registry keys under HKEY_LOCAL_MACHINE: the maker's key, where each installed runtime registers
/// itself, and Windows' list of uninstallable products.
inline constexpr const char* registryKey = "SOFTWARE\\Mendara";
inline constexpr const char* runtimeEnvironmentKey = "SOFTWARE\\Mendara\\Zarn Runtime Environment";
inline constexpr const char* uninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

/// Folders under the common application-data folder.
inline constexpr const char* makerFolder = "Corvane";
inline constexpr const char* productFolder = "Zarn";
inline constexpr const char* installCache32 = "installcache";
inline constexpr const char* installCache64 = "installcache_x64";

/// Pieces of the names users see for a version.
namespace display {
inline constexpr const char* release5 = "Zarn Runtime Environment 5.0";
inline constexpr const char* early6 = "Zarn(TM) Runtime Environment 6";
inline constexpr const char* trademarked = "Zarn(TM) ";
inline constexpr const char* plain = "Zarn ";
inline constexpr const char* classic = "Zarn Classic Runtime Environment v";
inline constexpr const char* update = " Update ";
inline constexpr const char* suffix64 = " (64-bit)";
}  // namespace display

}  // namespace product
