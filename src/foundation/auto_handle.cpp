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

template <class T, class Close>
void closeUnlessNull(const char* call, T handle, Close close) noexcept {
    if (handle == T::null) return;
    if (const auto code = close(handle)) reportCloseFailure(call, platform::raw(handle), code);
}

}  // namespace

void closeHANDLE(platform::Handle handle) noexcept {
    if (handle == platform::Handle::null || handle == platform::Handle::invalid) return;
    if (const auto code = platform::machine().kernel().closeHandle(handle)) {
        reportCloseFailure("CloseHandle", platform::raw(handle), code);
    }
}

void closeInternetHandle(platform::InternetHandle handle) noexcept {
    closeUnlessNull("InternetCloseHandle", handle,
                    [](auto h) { return platform::machine().internet().closeHandle(h); });
}

void closeRegHandle(platform::RegKey handle) noexcept {
    closeUnlessNull("RegCloseKey", handle, [](auto h) { return platform::machine().registry().closeKey(h); });
}

void closeCryptProvider(platform::CryptProvider provider) noexcept {
    closeUnlessNull("CryptReleaseContext", provider,
                    [](auto p) { return platform::machine().crypto().releaseContext(p); });
}

void closeCryptHash(platform::CryptHash hash) noexcept {
    closeUnlessNull("CryptDestroyHash", hash, [](auto h) { return platform::machine().crypto().destroyHash(h); });
}

void closeFont(platform::Font font) noexcept {
    closeUnlessNull("DeleteObject", font, [](auto f) { return platform::machine().desktop().deleteFont(f); });
}

void closeBitmap(platform::Bitmap bitmap) noexcept {
    closeUnlessNull("DeleteObject", bitmap, [](auto b) { return platform::machine().desktop().deleteBitmap(b); });
}
