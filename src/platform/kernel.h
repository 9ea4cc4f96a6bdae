// The kernel port: handles, ids, time and sleep; threads, mutexes, events and waits; named
// shared-memory sections backed by the paging file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

namespace kernel {
// Wait results and time-outs of WaitForSingleObject.
inline constexpr std::uint32_t infinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t waitObject0 = 0;
inline constexpr std::uint32_t waitAbandoned = 0x80;
inline constexpr std::uint32_t waitTimeout = 258;
inline constexpr std::uint32_t waitFailed = 0xFFFFFFFFu;

/// GetExitCodeThread's answer while the thread runs.
inline constexpr std::uint32_t stillActive = 259;

// Thread access rights.
inline constexpr std::uint32_t synchronize = 0x00100000;
inline constexpr std::uint32_t threadQueryInformation = 0x0040;

// Page protections of a section and access rights of its views.
inline constexpr std::uint32_t pageReadOnly = 0x02;
inline constexpr std::uint32_t pageReadWrite = 0x04;
inline constexpr std::uint32_t fileMapWrite = 0x0002;
inline constexpr std::uint32_t fileMapRead = 0x0004;
inline constexpr std::uint32_t fileMapAllAccess = 0x000F001F;
}  // namespace kernel

/// A thread's entry function: its return value becomes the thread's exit code.
using ThreadEntry = std::uint32_t (*)(void* argument);

class Kernel {
public:
    virtual ~Kernel() = default;

    /// CloseHandle: 6 (invalid handle) for a handle that is not open.
    virtual ErrorCode closeHandle(Handle handle) = 0;

    virtual std::uint32_t currentProcessId() = 0;
    virtual std::uint32_t currentThreadId() = 0;

    /// GetTickCount: milliseconds since start, wrapping at 2^32.
    virtual std::uint32_t tickCount() = 0;
    virtual std::uint64_t tickCount64() = 0;
    /// QueryPerformanceCounter and QueryPerformanceFrequency.
    virtual ErrorCode performanceCounter(std::int64_t& value) = 0;
    virtual ErrorCode performanceFrequency(std::int64_t& value) = 0;

    virtual void sleep(std::uint32_t milliseconds) = 0;

    // ---- threads ----

    /// _beginthreadex with default security and stack size, running at once.
    virtual ErrorCode createThread(ThreadEntry entry, void* argument, Handle& out, std::uint32_t& threadId) = 0;
    /// OpenThread: 87 (invalid parameter) when no thread has that id any more.
    virtual ErrorCode openThread(std::uint32_t access, std::uint32_t threadId, Handle& out) = 0;
    /// GetExitCodeThread: `kernel::stillActive` while the thread runs.
    virtual ErrorCode exitCodeThread(Handle thread, std::uint32_t& code) = 0;

    // ---- synchronisation ----

    /// CreateMutex without a name.
    virtual ErrorCode createMutex(bool initialOwner, Handle& out) = 0;
    /// ReleaseMutex: 288 (not owner) when the calling thread does not hold it.
    virtual ErrorCode releaseMutex(Handle mutex) = 0;
    /// CreateEvent without a name.
    virtual ErrorCode createEvent(bool manualReset, bool initialState, Handle& out) = 0;
    virtual ErrorCode setEvent(Handle event) = 0;
    virtual ErrorCode resetEvent(Handle event) = 0;
    /// WaitForSingleObject: one of the `kernel::wait*` results; with `waitFailed` the error is in
    /// `error`, which is 0 otherwise.
    virtual std::uint32_t waitForSingleObject(Handle object, std::uint32_t milliseconds, ErrorCode& error) = 0;

    // ---- shared-memory sections ----

    /// CreateFileMapping on the paging file, without security attributes. An empty name makes an
    /// unnamed section. When the named section exists already the call succeeds, refers to it and
    /// sets `existed` (Windows' ERROR_ALREADY_EXISTS).
    virtual ErrorCode createFileMapping(std::uint32_t protect, std::uint64_t size, std::string_view name,
                                        Handle& out, bool& existed) = 0;
    /// OpenFileMapping without inheritance: 2 (file not found) when no section has the name.
    virtual ErrorCode openFileMapping(std::uint32_t access, std::string_view name, Handle& out) = 0;
    /// MapViewOfFile; a size of 0 maps the section from the offset to its end.
    virtual ErrorCode mapViewOfFile(Handle section, std::uint32_t access, std::uint64_t offset, std::size_t size,
                                    void*& out) = 0;
    /// FlushViewOfFile; a size of 0 flushes to the end of the view.
    virtual ErrorCode flushViewOfFile(const void* address, std::size_t size) = 0;
    /// UnmapViewOfFile: 487 (invalid address) for an address that is not a view's base.
    virtual ErrorCode unmapViewOfFile(const void* address) = 0;

    /// CoCreateGuid rendered by UuidToString: 36 lower-case characters without braces.
    virtual ErrorCode createGuid(std::string& out) = 0;
};

}  // namespace platform
