#include "platform/sim/file_system_sim.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/version_block.h"
#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;
namespace file = platform::file;
namespace fs = std::filesystem;
using platform::ErrorCode;

namespace {

constexpr std::uint32_t readRights = file::readData | file::genericRead;
constexpr std::uint32_t writeRights = file::writeData | file::appendData | file::genericWrite;
constexpr std::uint32_t attributeArchive = 0x20;
constexpr std::uint32_t keptAttributes = file::attributeReadOnly | file::attributeHidden | file::attributeTemporary;

bool conflicts(std::uint32_t access, std::uint32_t share, std::uint32_t otherAccess, std::uint32_t otherShare) {
    const auto wants = [](std::uint32_t a, std::uint32_t rights) { return (a & rights) != 0; };
    return (wants(access, readRights) && !(otherShare & file::shareRead)) ||
           (wants(access, writeRights) && !(otherShare & file::shareWrite)) ||
           (wants(access, file::deleteAccess) && !(otherShare & file::shareDelete)) ||
           (wants(otherAccess, readRights) && !(share & file::shareRead)) ||
           (wants(otherAccess, writeRights) && !(share & file::shareWrite)) ||
           (wants(otherAccess, file::deleteAccess) && !(share & file::shareDelete));
}

ErrorCode fromErrno(int e) {
    switch (e) {
        case ENOENT: return err::fileNotFound;
        case EACCES:
        case EPERM: return err::accessDenied;
        case EEXIST: return err::fileExists;
        case ENOSPC: return err::diskFull;
        case ENOTEMPTY: return err::dirNotEmpty;
        default: return err::invalidParameter;
    }
}

bool validComponent(std::string_view part) {
    return std::none_of(part.begin(), part.end(), [](char c) {
        return static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
    });
}

}  // namespace

/// An open file handle.
class SimFile final : public KernelObject {
public:
    SimFile(SimFileSystem& owner, std::string key, fs::path host, int fd, std::uint32_t access,
            std::uint64_t opener, bool deleteOnClose)
        : owner_(owner), key_(std::move(key)), host_(std::move(host)), fd_(fd), access_(access),
          opener_(opener), deleteOnClose_(deleteOnClose) {}
    ~SimFile() override {
        ::close(fd_);
        owner_.release(key_, opener_, deleteOnClose_, host_);
    }
    SimFile(const SimFile&) = delete;
    SimFile& operator=(const SimFile&) = delete;

    int fd() const { return fd_; }
    bool canRead() const { return (access_ & readRights) != 0; }
    bool canWrite() const { return (access_ & writeRights) != 0; }
    std::mutex& mutex() { return mutex_; }

private:
    SimFileSystem& owner_;
    std::string key_;
    fs::path host_;
    int fd_;
    std::uint32_t access_;
    std::uint64_t opener_;
    bool deleteOnClose_;
    std::mutex mutex_;
};

SimFileSystem::SimFileSystem(Faults& faults, HandleTable& handles, fs::path root)
    : faults_(faults), handles_(handles), root_(std::move(root)) {
    fs::create_directories(root_ / "c");
    makeDirectories(tempPath_);
    makeDirectories(currentDirectory_);
}

ErrorCode SimFileSystem::resolve(std::string_view path, Resolved& out) const {
    std::string full(path);
    std::replace(full.begin(), full.end(), '/', '\\');
    const bool rooted = full.size() >= 3 && std::isalpha(static_cast<unsigned char>(full[0])) && full[1] == ':' &&
                        full[2] == '\\';
    if (!rooted) {
        if (full.starts_with("\\\\") || (full.size() >= 2 && full[1] == ':')) return err::badPathname;
        full = currentDirectory_ + "\\" + full;
    }
    std::vector<std::string> parts;
    std::istringstream in(full.substr(3));
    for (std::string part; std::getline(in, part, '\\');) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        if (!validComponent(part)) return err::invalidName;
        parts.push_back(part);
    }
    const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(full[0])));
    out.display = std::string(1, drive) + ":";
    out.host = root_ / std::string(1, static_cast<char>(std::tolower(drive)));
    for (const auto& part : parts) {
        out.display += "\\" + part;
        out.host /= lowerAscii(part);
    }
    if (parts.empty()) out.display += "\\";
    out.key = lowerAscii(out.display);
    return err::success;
}

ErrorCode SimFileSystem::checkParent(const Resolved& r) const {
    return fs::is_directory(r.host.parent_path()) ? err::success : err::pathNotFound;
}

ErrorCode SimFileSystem::createFile(std::string_view path, std::uint32_t access, std::uint32_t shareMode,
                                    std::uint32_t disposition, std::uint32_t flagsAndAttributes,
                                    platform::Handle& out, std::string_view securityDescriptor) {
    if (auto fault = faults_.check("FileSystem.createFile")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    if (disposition < file::createNew || disposition > file::truncateExisting) return err::invalidParameter;
    const bool deleteOnClose = (flagsAndAttributes & file::flagDeleteOnClose) != 0;
    if (deleteOnClose) access |= file::deleteAccess;

    const std::lock_guard lock(mutex_);
    if (auto e = checkParent(r)) return e;
    std::error_code ec;
    if (fs::is_directory(r.host, ec)) return err::accessDenied;
    // A file whose deletion waits for its last handle can no longer be opened, whatever the disposition.
    if (const auto pending = open_.find(r.key); pending != open_.end() && pending->second.deletePending) {
        return err::accessDenied;
    }
    const bool exists = fs::exists(r.host, ec);
    if (exists && disposition == file::createNew) return err::fileExists;
    if (!exists && (disposition == file::openExisting || disposition == file::truncateExisting)) {
        return err::fileNotFound;
    }
    auto& state = open_[r.key];
    for (const auto& other : state.openers) {
        if (conflicts(access, shareMode, other.access, other.share)) {
            if (state.openers.empty()) open_.erase(r.key);
            return err::sharingViolation;
        }
    }
    if (exists && (access & writeRights) && (attributes_[r.key] & file::attributeReadOnly)) {
        if (state.openers.empty()) open_.erase(r.key);
        return err::accessDenied;
    }

    int flags = O_CLOEXEC | O_CREAT;
    const bool reads = (access & readRights) != 0;
    const bool writes = (access & (file::writeData | file::genericWrite)) != 0;
    const bool appends = (access & file::appendData) != 0 && !writes;
    flags |= (reads && (writes || appends)) ? O_RDWR : ((writes || appends) ? O_WRONLY : O_RDONLY);
    if (appends) flags |= O_APPEND;
    if (exists && (disposition == file::createAlways || disposition == file::truncateExisting)) flags |= O_TRUNC;
    const int fd = ::open(r.host.c_str(), flags, 0644);
    if (fd < 0) {
        if (state.openers.empty()) open_.erase(r.key);
        return fromErrno(errno);
    }
    if (!exists) {
        displayNames_[r.key] = r.display;
        attributes_[r.key] = flagsAndAttributes & keptAttributes;
        if (!securityDescriptor.empty()) security_[r.key] = std::string(securityDescriptor);
    }
    const auto opener = nextOpener_++;
    state.openers.push_back(Opener{opener, access, shareMode});
    out = handles_.add(std::make_shared<SimFile>(*this, r.key, r.host, fd, access, opener, deleteOnClose));
    return err::success;
}

void SimFileSystem::release(const std::string& key, std::uint64_t opener, bool deleteOnClose, const fs::path& host) {
    const std::lock_guard lock(mutex_);
    auto found = open_.find(key);
    if (found == open_.end()) return;
    auto& openers = found->second.openers;
    openers.erase(std::remove_if(openers.begin(), openers.end(), [&](const Opener& o) { return o.id == opener; }),
                  openers.end());
    if (deleteOnClose) found->second.deletePending = true;
    if (!openers.empty()) return;
    const bool remove = found->second.deletePending;
    open_.erase(found);
    if (remove) {
        std::error_code ec;
        fs::remove(host, ec);
        forget(key);
    }
}

void SimFileSystem::forget(const std::string& key) {
    security_.erase(key);
    versions_.erase(key);
    attributes_.erase(key);
    displayNames_.erase(key);
}

ErrorCode SimFileSystem::readFile(platform::Handle handle, void* buffer, std::uint32_t size, std::uint32_t& read) {
    if (auto fault = faults_.check("FileSystem.readFile")) return *fault;
    const auto f = handles_.getAs<SimFile>(handle);
    if (!f) return err::invalidHandle;
    if (!f->canRead()) return err::accessDenied;
    const std::lock_guard lock(f->mutex());
    const auto n = ::read(f->fd(), buffer, size);
    if (n < 0) return fromErrno(errno);
    read = static_cast<std::uint32_t>(n);
    return err::success;
}

ErrorCode SimFileSystem::writeFile(platform::Handle handle, const void* data, std::uint32_t size,
                                   std::uint32_t& written) {
    if (auto fault = faults_.check("FileSystem.writeFile")) return *fault;
    const auto f = handles_.getAs<SimFile>(handle);
    if (!f) return err::invalidHandle;
    if (!f->canWrite()) return err::accessDenied;
    const std::lock_guard lock(f->mutex());
    written = 0;
    const auto* bytes = static_cast<const char*>(data);
    while (written < size) {
        const auto n = ::write(f->fd(), bytes + written, size - written);
        if (n < 0) return fromErrno(errno);
        written += static_cast<std::uint32_t>(n);
    }
    return err::success;
}

ErrorCode SimFileSystem::setFilePointer(platform::Handle handle, std::int64_t distance, std::uint32_t origin,
                                        std::uint64_t& position) {
    if (auto fault = faults_.check("FileSystem.setFilePointer")) return *fault;
    const auto f = handles_.getAs<SimFile>(handle);
    if (!f) return err::invalidHandle;
    if (origin > file::end) return err::invalidParameter;
    const int whence = origin == file::begin ? SEEK_SET : (origin == file::current ? SEEK_CUR : SEEK_END);
    const std::lock_guard lock(f->mutex());
    const auto at = ::lseek(f->fd(), static_cast<off_t>(distance), whence);
    if (at < 0) return errno == EINVAL ? err::negativeSeek : fromErrno(errno);
    position = static_cast<std::uint64_t>(at);
    return err::success;
}

ErrorCode SimFileSystem::getFileSize(platform::Handle handle, std::uint64_t& size) {
    if (auto fault = faults_.check("FileSystem.getFileSize")) return *fault;
    const auto f = handles_.getAs<SimFile>(handle);
    if (!f) return err::invalidHandle;
    struct stat info {};
    if (::fstat(f->fd(), &info) != 0) return fromErrno(errno);
    size = static_cast<std::uint64_t>(info.st_size);
    return err::success;
}

ErrorCode SimFileSystem::flushFile(platform::Handle handle) {
    if (auto fault = faults_.check("FileSystem.flushFile")) return *fault;
    const auto f = handles_.getAs<SimFile>(handle);
    if (!f) return err::invalidHandle;
    return ::fsync(f->fd()) == 0 ? err::success : fromErrno(errno);
}

ErrorCode SimFileSystem::deleteFile(std::string_view path) {
    if (auto fault = faults_.check("FileSystem.deleteFile")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    if (fs::is_directory(r.host, ec)) return err::accessDenied;
    if (!fs::exists(r.host, ec)) return checkParent(r) ? err::pathNotFound : err::fileNotFound;
    if (attributes_[r.key] & file::attributeReadOnly) return err::accessDenied;
    const auto found = open_.find(r.key);
    if (found != open_.end() && !found->second.openers.empty()) {
        // Deleting opens the file for delete access with full sharing: every holder must share delete.
        for (const auto& other : found->second.openers) {
            if (conflicts(file::deleteAccess, file::shareRead | file::shareWrite | file::shareDelete, other.access,
                          other.share)) {
                return err::sharingViolation;
            }
        }
        if (found->second.deletePending) return err::accessDenied;
        found->second.deletePending = true;
        return err::success;
    }
    if (!fs::remove(r.host, ec)) return fromErrno(ec.value());
    forget(r.key);
    return err::success;
}

ErrorCode SimFileSystem::moveFile(std::string_view from, std::string_view to, std::uint32_t flags) {
    if (auto fault = faults_.check("FileSystem.moveFile")) return *fault;
    Resolved source;
    if (auto e = resolve(from, source)) return e;
    const std::lock_guard lock(mutex_);
    if (flags & file::moveDelayUntilReboot) {
        pendingRenames_.emplace_back(source.display, std::string(to));
        return err::success;
    }
    Resolved target;
    if (auto e = resolve(to, target)) return e;
    std::error_code ec;
    if (!fs::exists(source.host, ec)) return err::fileNotFound;
    if (auto e = checkParent(target)) return e;
    if (fs::exists(target.host, ec) && !(flags & file::moveReplaceExisting)) return err::alreadyExists;
    if (const auto o = open_.find(source.key); o != open_.end() && !o->second.openers.empty()) {
        return err::sharingViolation;
    }
    fs::rename(source.host, target.host, ec);
    if (ec) return fromErrno(ec.value());
    displayNames_[target.key] = target.display;
    attributes_[target.key] = attributes_[source.key];
    if (const auto s = security_.find(source.key); s != security_.end()) security_[target.key] = s->second;
    forget(source.key);
    return err::success;
}

ErrorCode SimFileSystem::getFileAttributes(std::string_view path, std::uint32_t& attributes) {
    attributes = file::invalidAttributes;
    if (auto fault = faults_.check("FileSystem.getFileAttributes")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    const auto status = fs::status(r.host, ec);
    if (!fs::exists(status)) return checkParent(r) ? err::pathNotFound : err::fileNotFound;
    const auto found = attributes_.find(r.key);
    const std::uint32_t kept = found == attributes_.end() ? 0 : found->second;
    attributes = fs::is_directory(status) ? (file::attributeDirectory | kept) : (attributeArchive | kept);
    return err::success;
}

ErrorCode SimFileSystem::setFileAttributes(std::string_view path, std::uint32_t attributes) {
    if (auto fault = faults_.check("FileSystem.setFileAttributes")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    if (!fs::exists(r.host, ec)) return checkParent(r) ? err::pathNotFound : err::fileNotFound;
    attributes_[r.key] = attributes & keptAttributes;
    return err::success;
}

ErrorCode SimFileSystem::createDirectory(std::string_view path) {
    if (auto fault = faults_.check("FileSystem.createDirectory")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    if (fs::exists(r.host, ec)) return err::alreadyExists;
    if (auto e = checkParent(r)) return e;
    if (!fs::create_directory(r.host, ec)) return fromErrno(ec.value());
    displayNames_[r.key] = r.display;
    return err::success;
}

ErrorCode SimFileSystem::removeDirectory(std::string_view path) {
    if (auto fault = faults_.check("FileSystem.removeDirectory")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    if (!fs::exists(r.host, ec)) return checkParent(r) ? err::pathNotFound : err::fileNotFound;
    if (!fs::is_directory(r.host, ec)) return err::directory;
    if (!fs::is_empty(r.host, ec)) return err::dirNotEmpty;
    fs::remove(r.host, ec);
    if (ec) return fromErrno(ec.value());
    forget(r.key);
    return err::success;
}

ErrorCode SimFileSystem::listDirectory(std::string_view directory, std::string_view pattern,
                                       std::vector<platform::DirEntry>& entries) {
    if (auto fault = faults_.check("FileSystem.listDirectory")) return *fault;
    Resolved r;
    if (auto e = resolve(directory, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    if (!fs::is_directory(r.host, ec)) return err::pathNotFound;
    // "*.*" matches names without a dot as well.
    const std::string_view effective = pattern == "*.*" ? std::string_view("*") : pattern;
    entries.clear();
    for (const auto& item : fs::directory_iterator(r.host, ec)) {
        const std::string lowerName = item.path().filename().string();
        const std::string key = r.key + (r.key.ends_with('\\') ? "" : "\\") + lowerName;
        const auto known = displayNames_.find(key);
        const std::string name = known == displayNames_.end() ? lowerName
                                                              : std::string(known->second.substr(known->second.rfind('\\') + 1));
        if (!matchesPattern(name, effective)) continue;
        platform::DirEntry entry;
        entry.name = name;
        const auto kept = attributes_.find(key);
        entry.attributes = (item.is_directory() ? file::attributeDirectory : attributeArchive) |
                           (kept == attributes_.end() ? 0 : kept->second);
        entry.size = item.is_regular_file() ? static_cast<std::uint64_t>(item.file_size()) : 0;
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return LessNoCase{}(a.name, b.name); });
    return err::success;
}

ErrorCode SimFileSystem::tempPath(std::string& out) {
    if (auto fault = faults_.check("FileSystem.tempPath")) return *fault;
    const std::lock_guard lock(mutex_);
    out = tempPath_;
    return err::success;
}

ErrorCode SimFileSystem::tempFileName(std::string_view directory, std::string_view prefix, std::string& out) {
    if (auto fault = faults_.check("FileSystem.tempFileName")) return *fault;
    for (;;) {
        std::uint32_t unique = 0;
        {
            const std::lock_guard lock(mutex_);
            unique = nextTempName_++ & 0xFFFF;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        std::string candidate(directory);
        if (!candidate.ends_with('\\')) candidate += '\\';
        candidate += std::string(prefix.substr(0, 3)) + hex + ".tmp";
        platform::Handle h = platform::Handle::invalid;
        const auto e = createFile(candidate, file::genericWrite, file::shareNone, file::createNew,
                                  file::attributeNormal, h, {});
        if (e == err::fileExists) continue;
        if (e != err::success) return e;
        handles_.close(h);
        out = candidate;
        return err::success;
    }
}

ErrorCode SimFileSystem::currentDirectory(std::string& out) {
    if (auto fault = faults_.check("FileSystem.currentDirectory")) return *fault;
    const std::lock_guard lock(mutex_);
    out = currentDirectory_;
    return err::success;
}

ErrorCode SimFileSystem::setCurrentDirectory(std::string_view path) {
    if (auto fault = faults_.check("FileSystem.setCurrentDirectory")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    if (!fs::is_directory(r.host, ec)) return fs::exists(r.host, ec) ? err::directory : err::fileNotFound;
    currentDirectory_ = r.display;
    return err::success;
}

ErrorCode SimFileSystem::fileSecurity(std::string_view path, std::string& sddl) {
    if (auto fault = faults_.check("FileSystem.fileSecurity")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    if (!fs::exists(r.host, ec)) return err::fileNotFound;
    const auto found = security_.find(r.key);
    // Without an explicit descriptor a file inherits its folder's: administrators and the system own it.
    sddl = found != security_.end() ? found->second : "O:BAG:SYD:(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)";
    return err::success;
}

ErrorCode SimFileSystem::fileVersionInfoSize(std::string_view path, std::uint32_t& size) {
    size = 0;
    if (auto fault = faults_.check("FileSystem.fileVersionInfoSize")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    if (!fs::exists(r.host, ec)) return err::fileNotFound;
    const auto found = versions_.find(r.key);
    if (found == versions_.end()) return err::resourceTypeNotFound;
    size = static_cast<std::uint32_t>(found->second.size());
    return err::success;
}

ErrorCode SimFileSystem::fileVersionInfo(std::string_view path, std::uint32_t size, std::vector<std::uint8_t>& block) {
    if (auto fault = faults_.check("FileSystem.fileVersionInfo")) return *fault;
    Resolved r;
    if (auto e = resolve(path, r)) return e;
    const std::lock_guard lock(mutex_);
    const auto found = versions_.find(r.key);
    if (found == versions_.end()) return err::resourceTypeNotFound;
    const auto kept = static_cast<std::ptrdiff_t>(std::min<std::size_t>(size, found->second.size()));
    block.assign(found->second.begin(), found->second.begin() + kept);
    return err::success;
}

void SimFileSystem::setFileVersion(std::string_view path, std::uint16_t major, std::uint16_t minor,
                                   std::uint16_t build, std::uint16_t revision) {
    Resolved r;
    if (resolve(path, r) != err::success) return;
    const std::lock_guard lock(mutex_);
    versions_[r.key] = platform::version::makeBlock({major, minor, build, revision});
}

void SimFileSystem::setVersionBlock(std::string_view path, std::vector<std::uint8_t> block) {
    Resolved r;
    if (resolve(path, r) != err::success) return;
    const std::lock_guard lock(mutex_);
    versions_[r.key] = std::move(block);
}

void SimFileSystem::setTempPath(std::string path) {
    makeDirectories(path);
    const std::lock_guard lock(mutex_);
    tempPath_ = std::move(path);
}

void SimFileSystem::makeDirectories(std::string_view path) {
    Resolved r;
    if (resolve(path, r) != err::success) return;
    std::error_code ec;
    fs::create_directories(r.host, ec);
    const std::lock_guard lock(mutex_);
    // Remember the spelling of every level so that listings show it.
    std::string display = r.display.substr(0, 2);
    std::istringstream in(r.display.substr(3));
    for (std::string part; std::getline(in, part, '\\');) {
        display += "\\" + part;
        displayNames_.emplace(lowerAscii(display), display);
    }
}

void SimFileSystem::writeAll(std::string_view path, std::string_view bytes) {
    Resolved r;
    if (resolve(path, r) != err::success) return;
    fs::create_directories(r.host.parent_path());
    std::ofstream(r.host, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const std::lock_guard lock(mutex_);
    displayNames_[r.key] = r.display;
}

std::optional<std::string> SimFileSystem::readAll(std::string_view path) {
    Resolved r;
    if (resolve(path, r) != err::success) return std::nullopt;
    std::ifstream in(r.host, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool SimFileSystem::exists(std::string_view path) {
    Resolved r;
    std::error_code ec;
    return resolve(path, r) == err::success && fs::exists(r.host, ec);
}

fs::path SimFileSystem::hostPath(std::string_view path) {
    Resolved r;
    return resolve(path, r) == err::success ? r.host : fs::path{};
}

std::vector<std::pair<std::string, std::string>> SimFileSystem::pendingRenames() const {
    const std::lock_guard lock(mutex_);
    return pendingRenames_;
}

}  // namespace sim
