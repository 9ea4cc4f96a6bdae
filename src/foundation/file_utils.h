// File operations several phases share: unique empty files, deletion now or at the next restart, a
// file's version, and removal of the runtime's persistent launcher copies.
#pragma once

#include <cstdint>
#include <string>

namespace FileUtils {

struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

/// A new empty file "<directory>\<prefix><tick count + i>.<extension>"; throws "cannot create temp file".
std::string createTempFile(const std::string& directory, const std::string& prefix, const std::string& extension);

/// Deletes the file; logs and throws "DeleteFile failed" when it cannot.
void deleteFile(const std::string& path);

/// Schedules the file's deletion at the next restart; throws a system error when it cannot.
void deleteOnReboot(const std::string& path);

/// The four numbers of the file's version resource; throws "error" when it has none.
FileVersion getFileVersion(const std::string& path);

/// Removes the runtime's launcher copies of version 8.0.20 and later from `directory`; a copy that is
/// in use is deleted at the next restart instead.
void deletePersistentFile(const std::string& directory);

}  // namespace FileUtils
