// The simulated file system: drive-rooted, case-insensitive paths kept as real files under a scratch
// directory, with share modes, delete-on-close and pending deletes honoured between the process's handles.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/sim/faults.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/text.h"

namespace sim {

class SimFileSystem final : public platform::FileSystem {
public:
    SimFileSystem(Faults& faults, HandleTable& handles, std::filesystem::path root);

    platform::ErrorCode createFile(std::string_view path, std::uint32_t access, std::uint32_t shareMode,
                                   std::uint32_t disposition, std::uint32_t flagsAndAttributes,
                                   platform::Handle& out, std::string_view securityDescriptor) override;
    platform::ErrorCode readFile(platform::Handle file, void* buffer, std::uint32_t size,
                                 std::uint32_t& read) override;
    platform::ErrorCode writeFile(platform::Handle file, const void* data, std::uint32_t size,
                                  std::uint32_t& written) override;
    platform::ErrorCode setFilePointer(platform::Handle file, std::int64_t distance, std::uint32_t origin,
                                       std::uint64_t& position) override;
    platform::ErrorCode getFileSize(platform::Handle file, std::uint64_t& size) override;
    platform::ErrorCode flushFile(platform::Handle file) override;
    platform::ErrorCode deleteFile(std::string_view path) override;
    platform::ErrorCode moveFile(std::string_view from, std::string_view to, std::uint32_t flags) override;
    platform::ErrorCode getFileAttributes(std::string_view path, std::uint32_t& attributes) override;
    platform::ErrorCode setFileAttributes(std::string_view path, std::uint32_t attributes) override;
    platform::ErrorCode createDirectory(std::string_view path) override;
    platform::ErrorCode removeDirectory(std::string_view path) override;
    platform::ErrorCode listDirectory(std::string_view directory, std::string_view pattern,
                                      std::vector<platform::DirEntry>& entries) override;
    platform::ErrorCode tempPath(std::string& out) override;
    platform::ErrorCode tempFileName(std::string_view directory, std::string_view prefix, std::string& out) override;
    platform::ErrorCode currentDirectory(std::string& out) override;
    platform::ErrorCode setCurrentDirectory(std::string_view path) override;
    platform::ErrorCode fileSecurity(std::string_view path, std::string& sddl) override;
    platform::ErrorCode fileVersionInfoSize(std::string_view path, std::uint32_t& size) override;
    platform::ErrorCode fileVersionInfo(std::string_view path, std::uint32_t size,
                                        std::vector<std::uint8_t>& block) override;

    // For tests and for the machine's own set-up.
    void setTempPath(std::string path);
    /// Gives an existing file a version resource (as a linker would have).
    void setFileVersion(std::string_view path, std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                        std::uint16_t revision);
    /// Gives an existing file the version block `block`, whatever it holds.
    void setVersionBlock(std::string_view path, std::vector<std::uint8_t> block);
    /// Creates the directory and its parents.
    void makeDirectories(std::string_view path);
    void writeAll(std::string_view path, std::string_view bytes);
    /// The whole content, or nullopt when the file does not exist.
    std::optional<std::string> readAll(std::string_view path);
    bool exists(std::string_view path);
    /// Where a Windows path lives on the host.
    std::filesystem::path hostPath(std::string_view path);
    /// Renames and deletes scheduled for the next restart (MoveFileEx with the delay flag).
    std::vector<std::pair<std::string, std::string>> pendingRenames() const;

private:
    friend class SimFile;

    struct Resolved {
        std::string key;      // lower-case, the identity of the file
        std::string display;  // as the caller spelled it
        std::filesystem::path host;
    };
    struct Opener {
        std::uint64_t id = 0;
        std::uint32_t access = 0;
        std::uint32_t share = 0;
    };
    struct OpenFile {
        std::vector<Opener> openers;
        bool deletePending = false;
    };

    platform::ErrorCode resolve(std::string_view path, Resolved& out) const;
    platform::ErrorCode checkParent(const Resolved& r) const;
    void release(const std::string& key, std::uint64_t opener, bool deleteOnClose, const std::filesystem::path& host);
    void forget(const std::string& key);

    Faults& faults_;
    HandleTable& handles_;
    std::filesystem::path root_;
    mutable std::mutex mutex_;
    std::map<std::string, OpenFile> open_;
    std::map<std::string, std::string> security_;      // key -> SDDL given at creation
    std::map<std::string, std::uint32_t> attributes_;  // key -> attributes beyond "archive"
    std::map<std::string, std::string> displayNames_;  // key -> name as created
    std::map<std::string, std::vector<std::uint8_t>> versions_;  // key -> version block
    std::vector<std::pair<std::string, std::string>> pendingRenames_;
    std::string tempPath_ = "C:\\Users\\test\\AppData\\Local\\Temp\\";
    std::string currentDirectory_ = "C:\\Users\\test";
    std::uint64_t nextOpener_ = 1;
    std::uint32_t nextTempName_ = 1;
};

}  // namespace sim
