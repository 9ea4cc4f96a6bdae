#include "platform/sim/kernel_sim.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <thread>

#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;
namespace kernel = platform::kernel;

namespace {

constexpr std::int64_t counterFrequency = 10'000'000;  // 100 ns ticks, as current Windows reports
constexpr std::uint64_t allocationGranularity = 65536;

bool wantsWrite(std::uint32_t access) {
    return (access & kernel::fileMapWrite) != 0;
}

}  // namespace

platform::ErrorCode SimKernel::closeHandle(platform::Handle handle) {
    if (auto fault = faults_.check("Kernel.closeHandle")) return *fault;
    return handles_.close(handle) ? err::success : err::invalidHandle;
}

std::uint32_t SimKernel::currentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

std::uint32_t SimKernel::currentThreadId() { return sim::currentThreadId(); }

std::uint64_t SimKernel::tickCount64() {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    // Windows machines have been up a while; start well away from zero.
    return 3'600'000 + tickOffset_.load() +
           static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

std::uint32_t SimKernel::tickCount() { return static_cast<std::uint32_t>(tickCount64()); }

platform::ErrorCode SimKernel::performanceCounter(std::int64_t& value) {
    if (auto fault = faults_.check("Kernel.performanceCounter")) return *fault;
    if (counterFixed_) {
        value = counter_;
        return err::success;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    value = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 100;
    return err::success;
}

platform::ErrorCode SimKernel::performanceFrequency(std::int64_t& value) {
    if (auto fault = faults_.check("Kernel.performanceFrequency")) return *fault;
    value = counterFrequency;
    return err::success;
}

void SimKernel::sleep(std::uint32_t milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SimKernel::setPerformanceCounter(std::optional<std::int64_t> value) {
    if (value) counter_ = *value;
    counterFixed_ = value.has_value();
}

// ---- threads --------------------------------------------------------------------------------------

platform::ErrorCode SimKernel::createThread(platform::ThreadEntry entry, void* argument, platform::Handle& out,
                                            std::uint32_t& threadId) {
    if (auto fault = faults_.check("Kernel.createThread")) return *fault;
    auto record = threads_.start(entry, argument);
    if (!record) return err::notEnoughMemory;
    threadId = record->id;
    out = handles_.add(std::make_shared<SimThread>(std::move(record)));
    return err::success;
}

platform::ErrorCode SimKernel::openThread(std::uint32_t, std::uint32_t threadId, platform::Handle& out) {
    if (auto fault = faults_.check("Kernel.openThread")) return *fault;
    auto record = threads_.find(threadId);
    if (!record) return err::invalidParameter;
    out = handles_.add(std::make_shared<SimThread>(std::move(record)));
    return err::success;
}

platform::ErrorCode SimKernel::exitCodeThread(platform::Handle thread, std::uint32_t& code) {
    if (auto fault = faults_.check("Kernel.exitCodeThread")) return *fault;
    const auto t = handles_.getAs<SimThread>(thread);
    if (!t) return err::invalidHandle;
    code = t->exitCode();
    return err::success;
}

// ---- synchronisation ------------------------------------------------------------------------------

platform::ErrorCode SimKernel::createMutex(bool initialOwner, platform::Handle& out) {
    if (auto fault = faults_.check("Kernel.createMutex")) return *fault;
    auto m = std::make_shared<SimMutex>();
    if (initialOwner) m->wait(kernel::infinite);
    out = handles_.add(std::move(m));
    return err::success;
}

platform::ErrorCode SimKernel::releaseMutex(platform::Handle mutex) {
    if (auto fault = faults_.check("Kernel.releaseMutex")) return *fault;
    const auto m = handles_.getAs<SimMutex>(mutex);
    if (!m) return err::invalidHandle;
    return m->release() ? err::success : err::notOwner;
}

platform::ErrorCode SimKernel::createEvent(bool manualReset, bool initialState, platform::Handle& out) {
    if (auto fault = faults_.check("Kernel.createEvent")) return *fault;
    out = handles_.add(std::make_shared<SimEvent>(manualReset, initialState));
    return err::success;
}

platform::ErrorCode SimKernel::setEvent(platform::Handle event) {
    if (auto fault = faults_.check("Kernel.setEvent")) return *fault;
    const auto e = handles_.getAs<SimEvent>(event);
    if (!e) return err::invalidHandle;
    e->set();
    return err::success;
}

platform::ErrorCode SimKernel::resetEvent(platform::Handle event) {
    if (auto fault = faults_.check("Kernel.resetEvent")) return *fault;
    const auto e = handles_.getAs<SimEvent>(event);
    if (!e) return err::invalidHandle;
    e->reset();
    return err::success;
}

std::uint32_t SimKernel::waitForSingleObject(platform::Handle object, std::uint32_t milliseconds,
                                             platform::ErrorCode& error) {
    std::uint32_t result = 0;
    const auto w = beginWait(faults_, handles_, "Kernel.waitForSingleObject", object, result, error);
    return w ? w->wait(milliseconds) : result;
}

// ---- sections -------------------------------------------------------------------------------------

platform::ErrorCode SimKernel::createFileMapping(std::uint32_t protect, std::uint64_t size, std::string_view name,
                                                 platform::Handle& out, bool& existed) {
    if (auto fault = faults_.check("Kernel.createFileMapping")) return *fault;
    if (protect != kernel::pageReadWrite && protect != kernel::pageReadOnly) return err::invalidParameter;
    std::shared_ptr<SimSection> section;
    if (const auto e = sections_.create(name, size, protect == kernel::pageReadWrite, section, existed)) return e;
    out = handles_.add(std::move(section));
    return err::success;
}

platform::ErrorCode SimKernel::openFileMapping(std::uint32_t access, std::string_view name, platform::Handle& out) {
    if (auto fault = faults_.check("Kernel.openFileMapping")) return *fault;
    std::shared_ptr<SimSection> section;
    if (const auto e = sections_.open(name, wantsWrite(access), section)) return e;
    out = handles_.add(std::move(section));
    return err::success;
}

platform::ErrorCode SimKernel::mapViewOfFile(platform::Handle handle, std::uint32_t access, std::uint64_t offset,
                                             std::size_t size, void*& out) {
    if (auto fault = faults_.check("Kernel.mapViewOfFile")) return *fault;
    auto section = handles_.getAs<SimSection>(handle);
    if (!section) return err::invalidHandle;
    if (wantsWrite(access) && !section->writable()) return err::accessDenied;
    if (offset % allocationGranularity != 0) return err::mappedAlignment;
    if (offset >= section->size()) return err::accessDenied;
    const std::uint64_t length = size == 0 ? section->size() - offset : size;
    if (length > section->size() - offset) return err::accessDenied;
    const int protection = PROT_READ | (wantsWrite(access) ? PROT_WRITE : 0);
    void* mapping = ::mmap(nullptr, static_cast<std::size_t>(length), protection, MAP_SHARED, section->fd(),
                           static_cast<off_t>(offset));
    if (mapping == MAP_FAILED) return err::notEnoughMemory;
    const std::lock_guard lock(viewsMutex_);
    views_[reinterpret_cast<std::uintptr_t>(mapping)] = View{std::move(section), mapping, length};
    out = mapping;
    return err::success;
}

platform::ErrorCode SimKernel::flushViewOfFile(const void* address, std::size_t size) {
    if (auto fault = faults_.check("Kernel.flushViewOfFile")) return *fault;
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    const std::lock_guard lock(viewsMutex_);
    auto found = views_.upper_bound(at);
    if (found == views_.begin()) return err::invalidAddress;
    --found;
    const View& view = found->second;
    const std::uintptr_t end = found->first + view.length;
    if (at >= end) return err::invalidAddress;
    const std::uintptr_t last = size == 0 || size > end - at ? end : at + size;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = at - at % page;
    return ::msync(reinterpret_cast<void*>(first), last - first, MS_SYNC) == 0 ? err::success
                                                                                : err::invalidAddress;
}

platform::ErrorCode SimKernel::unmapViewOfFile(const void* address) {
    if (auto fault = faults_.check("Kernel.unmapViewOfFile")) return *fault;
    View view;
    {
        const std::lock_guard lock(viewsMutex_);
        const auto found = views_.find(reinterpret_cast<std::uintptr_t>(address));
        if (found == views_.end()) return err::invalidAddress;
        view = std::move(found->second);
        views_.erase(found);
    }
    ::munmap(view.mapping, view.length);
    return err::success;
}

std::size_t SimKernel::viewCount() const {
    const std::lock_guard lock(viewsMutex_);
    return views_.size();
}

platform::ErrorCode SimKernel::createGuid(std::string& out) {
    if (auto fault = faults_.check("Kernel.createGuid")) return *fault;
    std::random_device device;
    std::uint8_t bytes[16];
    for (auto& b : bytes) b = static_cast<std::uint8_t>(device());
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    out = text;
    return err::success;
}

}  // namespace sim
