// The kernel port: handles, ids, clocks, threads, synchronisation objects and sections straight from
// kernel32 (and ole32/rpcrt4 for GUIDs).
#include <objbase.h>
#include <process.h>
#include <rpc.h>

#include <new>

#include "platform/win32/win32_ports.h"

namespace platform::win32 {

namespace {

/// _beginthreadex wants a __stdcall entry; the port's entry is a plain function, so a small
/// heap record carries it over.
struct ThreadStart {
    ThreadEntry entry;
    void* argument;
};

unsigned __stdcall threadTrampoline(void* raw) {
    const ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    return start.entry(start.argument);
}

/// The C runtime reports _beginthreadex failures through errno and leaves the Win32 error set.
ErrorCode beginThreadError() {
    const ErrorCode e = lastError();
    return e != err::success ? e : err::notEnoughMemory;
}

}  // namespace

ErrorCode Win32Kernel::closeHandle(Handle handle) { return CloseHandle(toWin(handle)) ? err::success : lastError(); }

std::uint32_t Win32Kernel::currentProcessId() { return GetCurrentProcessId(); }

std::uint32_t Win32Kernel::currentThreadId() { return GetCurrentThreadId(); }

std::uint32_t Win32Kernel::tickCount() { return GetTickCount(); }

std::uint64_t Win32Kernel::tickCount64() { return GetTickCount64(); }

ErrorCode Win32Kernel::performanceCounter(std::int64_t& value) {
    LARGE_INTEGER v{};
    if (!QueryPerformanceCounter(&v)) return lastError();
    value = v.QuadPart;
    return err::success;
}

ErrorCode Win32Kernel::performanceFrequency(std::int64_t& value) {
    LARGE_INTEGER v{};
    if (!QueryPerformanceFrequency(&v)) return lastError();
    value = v.QuadPart;
    return err::success;
}

void Win32Kernel::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

ErrorCode Win32Kernel::createThread(ThreadEntry entry, void* argument, Handle& out, std::uint32_t& threadId) {
    auto* start = new (std::nothrow) ThreadStart{entry, argument};
    if (start == nullptr) return err::notEnoughMemory;
    unsigned id = 0;
    SetLastError(ERROR_SUCCESS);
    const std::uintptr_t h = _beginthreadex(nullptr, 0, &threadTrampoline, start, 0, &id);
    if (h == 0) {
        delete start;
        return beginThreadError();
    }
    out = static_cast<Handle>(h);
    threadId = id;
    return err::success;
}

ErrorCode Win32Kernel::openThread(std::uint32_t access, std::uint32_t threadId, Handle& out) {
    HANDLE h = OpenThread(access, FALSE, threadId);
    if (h == nullptr) return lastError();
    out = fromWin(h);
    return err::success;
}

ErrorCode Win32Kernel::exitCodeThread(Handle thread, std::uint32_t& code) {
    DWORD c = 0;
    if (!GetExitCodeThread(toWin(thread), &c)) return lastError();
    code = c;
    return err::success;
}

ErrorCode Win32Kernel::createMutex(bool initialOwner, Handle& out) {
    HANDLE h = CreateMutexW(nullptr, initialOwner ? TRUE : FALSE, nullptr);
    if (h == nullptr) return lastError();
    out = fromWin(h);
    return err::success;
}

ErrorCode Win32Kernel::releaseMutex(Handle mutex) { return ReleaseMutex(toWin(mutex)) ? err::success : lastError(); }

ErrorCode Win32Kernel::createEvent(bool manualReset, bool initialState, Handle& out) {
    HANDLE h = CreateEventW(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr);
    if (h == nullptr) return lastError();
    out = fromWin(h);
    return err::success;
}

ErrorCode Win32Kernel::setEvent(Handle event) { return SetEvent(toWin(event)) ? err::success : lastError(); }

ErrorCode Win32Kernel::resetEvent(Handle event) { return ResetEvent(toWin(event)) ? err::success : lastError(); }

std::uint32_t Win32Kernel::waitForSingleObject(Handle object, std::uint32_t milliseconds, ErrorCode& error) {
    const DWORD result = WaitForSingleObject(toWin(object), milliseconds);
    error = result == WAIT_FAILED ? lastError() : err::success;
    return result;
}

ErrorCode Win32Kernel::createFileMapping(std::uint32_t protect, std::uint64_t size, std::string_view name,
                                         Handle& out, bool& existed) {
    return guarded([&]() -> ErrorCode {
        const std::wstring wideName = widen(name);
        SetLastError(ERROR_SUCCESS);
        HANDLE h = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, protect, static_cast<DWORD>(size >> 32),
                                      static_cast<DWORD>(size & 0xFFFFFFFFu),
                                      name.empty() ? nullptr : wideName.c_str());
        if (h == nullptr) return lastError();
        existed = GetLastError() == ERROR_ALREADY_EXISTS;
        out = fromWin(h);
        return err::success;
    });
}

ErrorCode Win32Kernel::openFileMapping(std::uint32_t access, std::string_view name, Handle& out) {
    return guarded([&]() -> ErrorCode {
        HANDLE h = OpenFileMappingW(access, FALSE, widen(name).c_str());
        if (h == nullptr) return lastError();
        out = fromWin(h);
        return err::success;
    });
}

ErrorCode Win32Kernel::mapViewOfFile(Handle section, std::uint32_t access, std::uint64_t offset, std::size_t size,
                                     void*& out) {
    void* view = MapViewOfFile(toWin(section), access, static_cast<DWORD>(offset >> 32),
                               static_cast<DWORD>(offset & 0xFFFFFFFFu), size);
    if (view == nullptr) return lastError();
    out = view;
    return err::success;
}

ErrorCode Win32Kernel::flushViewOfFile(const void* address, std::size_t size) {
    return FlushViewOfFile(address, size) ? err::success : lastError();
}

ErrorCode Win32Kernel::unmapViewOfFile(const void* address) {
    return UnmapViewOfFile(address) ? err::success : lastError();
}

ErrorCode Win32Kernel::createGuid(std::string& out) {
    GUID guid{};
    const HRESULT hr = CoCreateGuid(&guid);
    if (FAILED(hr)) return static_cast<ErrorCode>(hr);
    RPC_CSTR text = nullptr;
    const RPC_STATUS status = UuidToStringA(&guid, &text);
    if (status != RPC_S_OK) return static_cast<ErrorCode>(status);
    const ErrorCode result = guarded([&]() -> ErrorCode {
        out = reinterpret_cast<const char*>(text);
        return err::success;
    });
    RpcStringFreeA(&text);
    return result;
}

}  // namespace platform::win32
