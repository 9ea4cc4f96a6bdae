// The Windows Installer port over msi.dll.
#include "platform/win32/win32_ports.h"

// msi.h needs <windows.h> first.
#include <msi.h>

namespace platform::win32 {

namespace {

// msi.dll keeps one external UI handler per process, so one registration slot is enough. The
// portable handler is reached through it because its signature is not WINAPI and speaks char16_t.
struct Registration {
    ExternalUiHandler handler = nullptr;
    void* context = nullptr;
};
Registration registration;

INT WINAPI trampoline(LPVOID context, UINT messageCode, LPCWSTR text) {
    const auto* r = static_cast<const Registration*>(context);
    if (r == nullptr || r->handler == nullptr) return 0;
    return r->handler(r->context, messageCode, reinterpret_cast<const char16_t*>(text));
}

}  // namespace

ErrorCode Win32Installer::setInternalUI(std::uint32_t level, std::uint32_t& previous) {
    previous = static_cast<std::uint32_t>(MsiSetInternalUI(static_cast<INSTALLUILEVEL>(level), nullptr));
    // INSTALLUILEVEL_NOCHANGE back for a real change means msi.dll refused the level.
    return previous == INSTALLUILEVEL_NOCHANGE && level != INSTALLUILEVEL_NOCHANGE ? err::invalidParameter
                                                                                      : err::success;
}

ErrorCode Win32Installer::enableLog(std::uint32_t mode, std::string_view path, std::uint32_t attributes) {
    return guarded([&] {
        const std::wstring wide = widen(path);
        return static_cast<ErrorCode>(MsiEnableLogW(mode, path.empty() ? nullptr : wide.c_str(), attributes));
    });
}

ErrorCode Win32Installer::setExternalUI(ExternalUiHandler handler, std::uint32_t filter, void* context) {
    if (handler == nullptr) {
        MsiSetExternalUIW(nullptr, filter, nullptr);
        registration = Registration{};
        return err::success;
    }
    registration = Registration{handler, context};
    MsiSetExternalUIW(&trampoline, filter, &registration);
    return err::success;
}

ErrorCode Win32Installer::installProduct(std::string_view packagePath, std::string_view commandLine) {
    return guarded([&] {
        return static_cast<ErrorCode>(
            MsiInstallProductW(widen(packagePath).c_str(), widen(commandLine).c_str()));
    });
}

}  // namespace platform::win32
