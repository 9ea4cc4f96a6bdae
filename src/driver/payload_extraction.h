// Putting the embedded product package on disk where Windows Installer can read it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace driver {

/// <per-user data folder>\Pellam\Zarn\kobu1.8.0_45, with "_x64" for a 64-bit process. Each level is
/// created on the way; a level that cannot be created shows up when the package is written.
std::string BuildPackageDirectory(const std::string& userDataFolder, bool is64BitProcess);

/// The package file kobu1.8.0_45.msi in `directory`.
std::string PackagePathIn(const std::string& directory);

/// Builds the package directory for this process and returns the package path.
std::string preparePackagePath();

/// Writes `bytes` to `path` in pieces of at most 8192 bytes. Any failure is fatal: the "Error" box
/// names the failed operation and the process ends with the system error code.
void WriteResourceToFile(const std::string& path, std::span<const std::uint8_t> bytes);

/// Writes resource `id` of type "ZARN_INSTALLER" to `path`; false when the program does not carry it.
bool WriteEmbeddedPackage(std::uint32_t id, const std::string& path);

/// Writes the product package (resource 103) to `path`; false when the program does not carry it.
bool writePackage(const std::string& path);

}  // namespace driver
