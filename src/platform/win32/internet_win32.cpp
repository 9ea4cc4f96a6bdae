// The internet port over WinINet; its operations join as the download code needs them.
#include "platform/win32/win32_ports.h"

// wininet.h needs <windows.h> first.
#include <wininet.h>

namespace platform::win32 {

ErrorCode Win32Internet::closeHandle(InternetHandle handle) {
    return InternetCloseHandle(reinterpret_cast<HINTERNET>(raw(handle))) ? err::success : lastError();
}

}  // namespace platform::win32
