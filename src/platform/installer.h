// The Windows Installer port: the process-wide UI and logging settings of msi.dll and the installation
// of a package. Each operation stands for one msi.dll call.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace platform {

/// An external UI handler: `context` as registered, the full message code (type in the high 8 bits,
/// buttons, icon and default-button flags in the low 24) and the UTF-16 message text, which may be
/// null. Its answer is Windows Installer's: 0 lets it carry on with its own handling.
using ExternalUiHandler = int (*)(void* context, std::uint32_t messageCode, const char16_t* text);

namespace installui {
inline constexpr std::uint32_t noChange = 0;
inline constexpr std::uint32_t none = 2;
}  // namespace installui

namespace installlog {
inline constexpr std::uint32_t verbose = 0x1000;
}  // namespace installlog

namespace installmessage {
inline constexpr std::uint32_t typeMask = 0xFF000000;
inline constexpr std::uint32_t actionStart = 0x08000000;
}  // namespace installmessage

class Installer {
public:
    virtual ~Installer() = default;

    /// MsiSetInternalUI without a window; `previous` receives the level it replaces.
    virtual ErrorCode setInternalUI(std::uint32_t level, std::uint32_t& previous) = 0;
    /// MsiEnableLogW; mode 0 with an empty path turns logging off.
    virtual ErrorCode enableLog(std::uint32_t mode, std::string_view path, std::uint32_t attributes) = 0;
    /// MsiSetExternalUIW; a null handler with filter 0 removes the installed one.
    virtual ErrorCode setExternalUI(ExternalUiHandler handler, std::uint32_t filter, void* context) = 0;
    /// MsiInstallProductW: Windows Installer's result (0 success, 1602 cancelled, 1603 fatal, ...).
    virtual ErrorCode installProduct(std::string_view packagePath, std::string_view commandLine) = 0;
};

}  // namespace platform
