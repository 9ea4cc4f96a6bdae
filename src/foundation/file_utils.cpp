#include "foundation/file_utils.h"

#include <stdexcept>
#include <vector>

#include "foundation/auto_handle.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "platform/machine.h"
#include "platform/version_block.h"
#include "platform/win_errors.h"

namespace FileUtils {

namespace {

namespace file = platform::file;

constexpr int tempFileAttempts = 100;
constexpr const char* launcherNames[] = {"zarn.exe", "zarnw.exe", "zarnws.exe"};

platform::FileSystem& files() { return platform::machine().fileSystem(); }

[[noreturn]] void versionFailed(const std::string& call, const std::string& path, platform::ErrorCode code) {
    LOG_ERROR(call << " for \"" << path << "\" failed with " << WinErrorHandling::systemErrorText(code));
    ZARN_THROW(std::runtime_error, "error");
}

// Launcher copies of 8.0.20 and later belong to the runtime being replaced.
bool isRemovableLauncher(const FileVersion& v) { return v.major >= 9 || (v.major == 8 && v.build >= 20); }

}  // namespace

std::string createTempFile(const std::string& directory, const std::string& prefix, const std::string& extension) {
    const std::uint32_t ticks = platform::machine().kernel().tickCount();
    std::string base = directory;
    while (!base.empty() && (base.back() == '\\' || base.back() == '/')) base.pop_back();
    for (std::uint32_t i = 0; i < tempFileAttempts; ++i) {
        const std::string candidate = base + "\\" + prefix + std::to_string(ticks + i) + "." + extension;
        platform::Handle handle = platform::Handle::invalid;
        if (files().createFile(candidate, file::genericWrite, file::shareNone, file::createNew, file::attributeNormal,
                               handle) == platform::err::success) {
            AutoHandle{handle};
            return candidate;
        }
    }
    ZARN_THROW(std::runtime_error, "cannot create temp file");
}

void deleteFile(const std::string& path) {
    if (const auto code = files().deleteFile(path)) {
        LOG_ERROR("DeleteFile(" << path << ") failed with " << WinErrorHandling::systemErrorText(code));
        ZARN_THROW(std::runtime_error, "DeleteFile failed");
    }
}

void deleteOnReboot(const std::string& path) {
    if (const auto code = files().moveFile(path, "", file::moveDelayUntilReboot)) {
        ZARN_THROW(SysError, "deleteOnReboot(" + path + ") failed",
                   platform::machine().system().apiAddress("kernel32", "MoveFileExW"), code);
    }
}

FileVersion getFileVersion(const std::string& path) {
    std::uint32_t size = 0;
    if (const auto code = files().fileVersionInfoSize(path, size); code != platform::err::success || size == 0) {
        versionFailed("GetFileVersionInfoSize", path, code);
    }
    std::vector<std::uint8_t> block;
    if (const auto code = files().fileVersionInfo(path, size, block)) versionFailed("GetFileVersionInfo", path, code);
    const auto root = platform::version::rootValue(block);
    if (!root) versionFailed("VerQueryValueW", path, platform::err::resourceDataNotFound);
    if (root->size() < platform::version::fixedRecordSize) {
        LOG_ERROR("VerQueryValueW returned unexpected buffer size [" << root->size() << "] for \"" << path << "\"");
        ZARN_THROW(std::runtime_error, "error");
    }
    if (!platform::version::hasFixedSignature(*root)) {
        LOG_ERROR("VerQueryValueW returned no fixed file information for \"" << path << "\"");
        ZARN_THROW(std::runtime_error, "error");
    }
    const auto n = platform::version::numbers(*root);
    return FileVersion{n[0], n[1], n[2], n[3]};
}

void deletePersistentFile(const std::string& directory) {
    for (const char* name : launcherNames) {
        const std::string launcher = path::join(directory, name);
        std::uint32_t attributes = 0;
        if (files().getFileAttributes(launcher, attributes) != platform::err::success) continue;
        // A copy whose version cannot be read is not known to be ours: it stays, and the run goes on.
        FileVersion version;
        try {
            version = getFileVersion(launcher);
        } catch (const std::exception&) {
            continue;
        }
        if (!isRemovableLauncher(version)) continue;
        if (files().getFileAttributes(launcher, attributes) != platform::err::success) continue;
        try {
            deleteFile(launcher);
        } catch (const std::runtime_error&) {
            LOG_INFO("cannot delete file " << launcher << ", schedule deletion on reboot");
            deleteOnReboot(launcher);
        }
    }
}

}  // namespace FileUtils
