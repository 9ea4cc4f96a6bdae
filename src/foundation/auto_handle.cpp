#include "foundation/auto_handle.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "platform/machine.h"

namespace {

void reportCloseFailure(const char* call, std::uintptr_t handle, platform::ErrorCode code) noexcept {
    try {
        LOG_ERROR(call << "(" << formatPointer(handle) << ") failed with " << WinErrorHandling::systemErrorText(code));
    } catch (...) {
    }
}

}  // namespace

void closeHANDLE(platform::Handle handle) noexcept {
    if (handle == platform::Handle::null || handle == platform::Handle::invalid) return;
    if (const auto code = platform::machine().kernel().closeHandle(handle)) {
        reportCloseFailure("CloseHandle", platform::raw(handle), code);
    }
}

void closeInternetHandle(platform::InternetHandle handle) noexcept {
    if (handle == platform::InternetHandle::null) return;
    if (const auto code = platform::machine().internet().closeHandle(handle)) {
        reportCloseFailure("InternetCloseHandle", platform::raw(handle), code);
    }
}

void closeRegHandle(platform::RegKey handle) noexcept {
    if (handle == platform::RegKey::null) return;
    if (const auto code = platform::machine().registry().closeKey(handle)) {
        reportCloseFailure("RegCloseKey", platform::raw(handle), code);
    }
}
