// Putting the embedded product package on disk where Windows Installer can read it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/types.h"

namespace driver {

/// <per-user data folder>\Pellam\Zarn\kobu1.8.0_45, with "_x64" for a 64-bit process. Each level is
/// created on the way; a level that cannot be created shows up when the package is written.
std::string BuildPackageDirectory(const std::string& userDataFolder, bool is64BitProcess);

/// The package file kobu1.8.0_45.msi in `directory`.
std::string PackagePathIn(const std::string& directory);

/// Builds the package directory for this process and returns the package path.
std::string preparePackagePath();

/// A step of writing a package that failed: the operation as the log names it, and its system error.
struct WriteFailure {
    const char* operation;
    platform::ErrorCode code;
};

/// Writes `bytes` to `path` in pieces of at most 8192 bytes; the step that failed, if one did. The file
/// is closed in every case.
std::optional<WriteFailure> WriteBytesToFile(const std::string& path, std::span<const std::uint8_t> bytes);

/// Writes `bytes` to `path` as WriteBytesToFile does. Any failure is fatal: the "Error" box names the
/// failed operation and the process ends with the system error code.
void WriteResourceToFile(const std::string& path, std::span<const std::uint8_t> bytes);

/// The bytes of resource `id` of type "ZARN_INSTALLER"; nullopt when the program does not carry it.
std::optional<std::span<const std::uint8_t>> EmbeddedPackage(std::uint32_t id);

/// Writes resource `id` of type "ZARN_INSTALLER" to `path` (fatally on failure); false when the program
/// does not carry it.
bool WriteEmbeddedPackage(std::uint32_t id, const std::string& path);

/// Writes the product package (resource 103) to `path`; false when the program does not carry it.
bool writePackage(const std::string& path);

}  // namespace driver
