#include "platform/sim/section_sim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;

namespace {

constexpr int attempts = 100;

platform::ErrorCode fromErrno(int e) {
    switch (e) {
        case ENOENT: return err::fileNotFound;
        case EACCES:
        case EPERM: return err::accessDenied;
        case ENAMETOOLONG:
        case EINVAL: return err::invalidParameter;
        case EMFILE:
        case ENFILE: return 4;  // ERROR_TOO_MANY_OPEN_FILES
        default: return err::notEnoughMemory;
    }
}

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t h = 1469598103934665603ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

std::string hex(std::uint64_t v) {
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(v));
    return buffer;
}

bool lockShared(int fd) {
    while (::flock(fd, LOCK_SH) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

/// Link count and size of an open object; false when it was unlinked before we held our lock.
bool stillNamed(int fd, std::uint64_t& size) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_nlink == 0) return false;
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

/// Joins the holders of an existing object. An object nobody holds was left behind by a process
/// that died without closing it; on Windows it would be gone, so it is removed and not joined.
bool joinHolders(int fd, const std::string& shm, std::uint64_t& size) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (stillNamed(fd, size)) ::shm_unlink(shm.c_str());
        return false;
    }
    // Holders take their lock only after the creator has sized the object.
    return lockShared(fd) && stillNamed(fd, size) && size != 0;
}

}  // namespace

SimSection::~SimSection() {
    if (!shmName_.empty() && ::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        std::uint64_t size = 0;
        // Our inode still linked means the name is still ours to remove.
        if (stillNamed(fd_, size)) ::shm_unlink(shmName_.c_str());
    }
    ::close(fd_);
}

std::string SectionNamespace::prefixFor(const std::filesystem::path& root) {
    return "/zarn-" + hex(fnv1a(std::filesystem::absolute(root).lexically_normal().string())) + "-";
}

std::string SectionNamespace::shmName(std::string_view name) const {
    // Session-local names are the only kind a simulated machine has.
    for (const std::string_view space : {"Local\\", "Global\\"}) {
        if (name.substr(0, space.size()) == space) name.remove_prefix(space.size());
    }
    std::string result = prefix_;
    for (const char c : name) result += (c == '/' || c == '\\') ? '_' : c;
    if (result.size() > 200) result = prefix_ + "h" + hex(fnv1a(name));
    return result;
}

platform::ErrorCode SectionNamespace::create(std::string_view name, std::uint64_t size, bool writable,
                                             std::shared_ptr<SimSection>& out, bool& existed) {
    if (size == 0) return err::invalidParameter;
    if (name.empty()) {
        static std::atomic<std::uint64_t> unnamed{0};
        const std::string shm = prefix_ + "anon-" + std::to_string(::getpid()) + "-" + std::to_string(++unnamed);
        const int fd = ::shm_open(shm.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (fd < 0) return fromErrno(errno);
        ::shm_unlink(shm.c_str());
        if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
            const int e = errno;
            ::close(fd);
            return fromErrno(e);
        }
        out = std::make_shared<SimSection>(fd, std::string(), size, writable);
        existed = false;
        return err::success;
    }
    const std::string shm = shmName(name);
    for (int i = 0; i < attempts; ++i) {
        bool created = true;
        int fd = ::shm_open(shm.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
                const int e = errno;
                ::shm_unlink(shm.c_str());
                ::close(fd);
                return fromErrno(e);
            }
        } else if (errno == EEXIST) {
            created = false;
            fd = ::shm_open(shm.c_str(), O_RDWR, 0600);
            if (fd < 0 && errno == ENOENT) continue;  // removed in between
        }
        if (fd < 0) return fromErrno(errno);
        std::uint64_t actual = size;
        const bool joined = created ? lockShared(fd) && stillNamed(fd, actual) : joinHolders(fd, shm, actual);
        if (!joined) {
            ::close(fd);
            continue;
        }
        out = std::make_shared<SimSection>(fd, shm, actual, writable);
        existed = !created;
        return err::success;
    }
    return err::accessDenied;
}

platform::ErrorCode SectionNamespace::open(std::string_view name, bool writable, std::shared_ptr<SimSection>& out) {
    if (name.empty()) return err::invalidParameter;
    const std::string shm = shmName(name);
    for (int i = 0; i < attempts; ++i) {
        const int fd = ::shm_open(shm.c_str(), O_RDWR, 0600);
        if (fd < 0) return fromErrno(errno);
        std::uint64_t size = 0;
        if (!joinHolders(fd, shm, size)) {
            ::close(fd);
            continue;
        }
        out = std::make_shared<SimSection>(fd, shm, size, writable);
        return err::success;
    }
    return err::fileNotFound;
}

}  // namespace sim
