// The kernel port: handle closing, ids, clocks and sleep straight from kernel32.
#include "platform/win32/win32_ports.h"

namespace platform::win32 {

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

}  // namespace platform::win32
