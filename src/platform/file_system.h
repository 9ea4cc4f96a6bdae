// The file-system port: CreateFile and its companions, paths in UTF-8 and drive-rooted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform {

namespace file {
// Access rights.
inline constexpr std::uint32_t readData = 0x0001;
inline constexpr std::uint32_t writeData = 0x0002;
inline constexpr std::uint32_t appendData = 0x0004;
inline constexpr std::uint32_t deleteAccess = 0x00010000;
inline constexpr std::uint32_t genericRead = 0x80000000u;
inline constexpr std::uint32_t genericWrite = 0x40000000u;

// Share modes.
inline constexpr std::uint32_t shareNone = 0;
inline constexpr std::uint32_t shareRead = 1;
inline constexpr std::uint32_t shareWrite = 2;
inline constexpr std::uint32_t shareDelete = 4;

// Creation dispositions.
inline constexpr std::uint32_t createNew = 1;
inline constexpr std::uint32_t createAlways = 2;
inline constexpr std::uint32_t openExisting = 3;
inline constexpr std::uint32_t openAlways = 4;
inline constexpr std::uint32_t truncateExisting = 5;

// Attributes and flags.
inline constexpr std::uint32_t attributeReadOnly = 0x01;
inline constexpr std::uint32_t attributeHidden = 0x02;
inline constexpr std::uint32_t attributeDirectory = 0x10;
inline constexpr std::uint32_t attributeNormal = 0x80;
inline constexpr std::uint32_t attributeTemporary = 0x100;
inline constexpr std::uint32_t flagDeleteOnClose = 0x04000000;
inline constexpr std::uint32_t invalidAttributes = 0xFFFFFFFFu;

// SetFilePointer origins.
inline constexpr std::uint32_t begin = 0;
inline constexpr std::uint32_t current = 1;
inline constexpr std::uint32_t end = 2;

// MoveFileEx flags.
inline constexpr std::uint32_t moveReplaceExisting = 1;
inline constexpr std::uint32_t moveDelayUntilReboot = 4;
}  // namespace file

/// One entry of a directory listing.
struct DirEntry {
    std::string name;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
};

/// File handles are kernel handles: they are closed with Kernel::closeHandle.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    /// CreateFile. `securityDescriptor`, when not empty, is an SDDL text applied to a file the call creates.
    virtual ErrorCode createFile(std::string_view path, std::uint32_t access, std::uint32_t shareMode,
                                 std::uint32_t disposition, std::uint32_t flagsAndAttributes, Handle& out,
                                 std::string_view securityDescriptor = {}) = 0;
    virtual ErrorCode readFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t& read) = 0;
    virtual ErrorCode writeFile(Handle file, const void* data, std::uint32_t size, std::uint32_t& written) = 0;
    /// SetFilePointerEx.
    virtual ErrorCode setFilePointer(Handle file, std::int64_t distance, std::uint32_t origin,
                                     std::uint64_t& position) = 0;
    virtual ErrorCode getFileSize(Handle file, std::uint64_t& size) = 0;
    virtual ErrorCode flushFile(Handle file) = 0;

    /// DeleteFile: 32 while another handle holds the file without delete sharing.
    virtual ErrorCode deleteFile(std::string_view path) = 0;
    /// MoveFileEx; with the delay flag and an empty `to` the file is deleted at the next restart.
    virtual ErrorCode moveFile(std::string_view from, std::string_view to, std::uint32_t flags) = 0;
    /// GetFileAttributes: `invalidAttributes` and the error when the path does not exist.
    virtual ErrorCode getFileAttributes(std::string_view path, std::uint32_t& attributes) = 0;
    virtual ErrorCode setFileAttributes(std::string_view path, std::uint32_t attributes) = 0;
    /// CreateDirectory: 183 when it exists, 3 when the parent is missing.
    virtual ErrorCode createDirectory(std::string_view path) = 0;
    /// RemoveDirectory: 145 when not empty.
    virtual ErrorCode removeDirectory(std::string_view path) = 0;
    /// FindFirstFile/FindNextFile over `directory`, every entry but "." and "..", names matching `pattern`
    /// ("*" and "?" wildcards, case-insensitive).
    virtual ErrorCode listDirectory(std::string_view directory, std::string_view pattern,
                                    std::vector<DirEntry>& entries) = 0;

    /// GetTempPath: the directory with its trailing backslash.
    virtual ErrorCode tempPath(std::string& out) = 0;
    /// GetTempFileName in `directory` with `prefix`; the file is created empty.
    virtual ErrorCode tempFileName(std::string_view directory, std::string_view prefix, std::string& out) = 0;
    virtual ErrorCode currentDirectory(std::string& out) = 0;
    virtual ErrorCode setCurrentDirectory(std::string_view path) = 0;
    /// The owner, group and DACL of a file as SDDL text (GetNamedSecurityInfo).
    virtual ErrorCode fileSecurity(std::string_view path, std::string& sddl) = 0;
    /// GetFileVersionInfoSize: 0 and 1813 (no such resource) for a file without a version.
    virtual ErrorCode fileVersionInfoSize(std::string_view path, std::uint32_t& size) = 0;
    /// GetFileVersionInfo: the file's version block (VS_VERSIONINFO), `size` bytes of it.
    virtual ErrorCode fileVersionInfo(std::string_view path, std::uint32_t size, std::vector<std::uint8_t>& block) = 0;
};

}  // namespace platform
