#include "ipc/shared_memory.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "ipc/errors.h"
#include "platform/machine.h"

namespace ipc {

namespace kernel = platform::kernel;

SharedMemoryUnsafe SharedMemoryUnsafe::create(const char* name, std::uint32_t size) {
    ZARN_CONTRACT_TEXT(name != nullptr, "name");
    platform::Handle handle = platform::Handle::null;
    bool existed = false;
    if (const auto e = platform::machine().kernel().createFileMapping(kernel::pageReadWrite, size, name, handle,
                                                                      existed)) {
        ZARN_THROW(PlatformError, e);
    }
    return SharedMemoryUnsafe(AutoHandle(handle), size, name);
}

SharedMemoryUnsafe SharedMemoryUnsafe::createUnique(std::uint32_t size) { return create(createGuid().c_str(), size); }

SharedMemoryUnsafe SharedMemoryUnsafe::open(const char* name, std::uint32_t size) {
    ZARN_CONTRACT_TEXT(name != nullptr, "name");
    platform::Handle handle = platform::Handle::null;
    if (const auto e = platform::machine().kernel().openFileMapping(kernel::fileMapRead | kernel::fileMapWrite, name,
                                                                    handle)) {
        ZARN_THROW(PlatformError, e);
    }
    return SharedMemoryUnsafe(AutoHandle(handle), size, name);
}

std::string SharedMemoryUnsafe::createGuid() {
    std::string guid;
    if (const auto e = platform::machine().kernel().createGuid(guid)) ZARN_THROW(PlatformError, e);
    return guid;
}

SharedMemoryUnsafe::Snapshot::Snapshot(const SharedMemoryUnsafe& section) : size_(section.getSize()) {
    void* view = nullptr;
    if (const auto e = platform::machine().kernel().mapViewOfFile(section.getHandle(), kernel::fileMapAllAccess, 0,
                                                                  size_, view)) {
        ZARN_THROW(PlatformError, e);
    }
    base_ = current_ = static_cast<std::uint8_t*>(view);
}

SharedMemoryUnsafe::Snapshot::~Snapshot() {
    if (const auto e = platform::machine().kernel().unmapViewOfFile(base_)) {
        LOG_ERROR("UnmapViewOfFile failed with " << WinErrorHandling::systemErrorText(e));
    }
}

void SharedMemoryUnsafe::Snapshot::read(void* out, std::uint32_t count) {
    ZARN_CONTRACT(count <= size_ - static_cast<std::uint32_t>(current_ - base_));
    std::memcpy(out, current_, count);
    current_ += count;
}

void SharedMemoryUnsafe::Snapshot::write(const void* data, std::uint32_t count) {
    ZARN_CONTRACT(count <= size_ - static_cast<std::uint32_t>(current_ - base_));
    std::memcpy(current_, data, count);
    current_ += count;
}

void SharedMemoryUnsafe::Snapshot::flush() {
    if (const auto e = platform::machine().kernel().flushViewOfFile(base_, size_)) ZARN_THROW(PlatformError, e);
}

}  // namespace ipc
