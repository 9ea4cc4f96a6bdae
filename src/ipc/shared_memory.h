// Named shared-memory sections on the paging file, and a typed view of a fixed-size record in one.
// Nothing locks a section: every access maps, copies the whole record and unmaps.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "foundation/auto_handle.h"
#include "ipc/contract.h"

namespace ipc {

class SharedMemoryUnsafe {
public:
    static constexpr std::uint32_t defaultSize = 8;

    /// Creates section `name` (non-null) of `size` bytes, or refers to it when it exists already.
    /// Failure throws MevError<PlatformError>.
    static SharedMemoryUnsafe create(const char* name, std::uint32_t size = defaultSize);
    /// Creates a section named by a fresh GUID.
    static SharedMemoryUnsafe createUnique(std::uint32_t size = defaultSize);
    /// Opens the existing section `name` for reading and writing; failure throws MevError<PlatformError>.
    static SharedMemoryUnsafe open(const char* name, std::uint32_t size = defaultSize);
    /// A new GUID as text; failure throws MevError<PlatformError>.
    static std::string createGuid();

    platform::Handle getHandle() const { return handle_.get(); }
    std::uint32_t getSize() const { return size_; }
    const std::string& getName() const { return name_; }

    class Snapshot;

private:
    SharedMemoryUnsafe(AutoHandle handle, std::uint32_t size, std::string name)
        : handle_(std::move(handle)), size_(size), name_(std::move(name)) {}

    AutoHandle handle_;
    std::uint32_t size_;
    std::string name_;
};

/// A view of the whole section for its scope, read and written from a moving current address.
class SharedMemoryUnsafe::Snapshot {
public:
    /// Maps the section with all access; failure throws MevError<PlatformError>.
    explicit Snapshot(const SharedMemoryUnsafe& section);
    /// Unmaps; a failure is logged.
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    void read(void* out, std::uint32_t count);
    void write(const void* data, std::uint32_t count);
    /// Writes the view through; failure throws MevError<PlatformError>.
    void flush();

    std::uint32_t size() const { return size_; }

private:
    std::uint8_t* base_;
    std::uint8_t* current_;
    std::uint32_t size_;
};

/// A section holding exactly one trivially copyable `T`.
template <class T>
class SharedMemory {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    explicit SharedMemory(const SharedMemoryUnsafe& section) : impl(section) {}

    T read() const {
        T buffer{};
        SharedMemoryUnsafe::Snapshot view(impl);
        ZARN_CONTRACT_TEXT(sizeof(buffer) == impl.getSize(), "sizeof(buffer) == impl.getSize()");
        view.read(&buffer, sizeof(buffer));
        return buffer;
    }

    void write(const T& value) const {
        SharedMemoryUnsafe::Snapshot view(impl);
        ZARN_CONTRACT_TEXT(sizeof(value) == impl.getSize(), "sizeof(buffer) == impl.getSize()");
        view.write(&value, sizeof(value));
        view.flush();
    }

private:
    const SharedMemoryUnsafe& impl;
};

}  // namespace ipc
