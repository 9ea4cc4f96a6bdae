// The desktop port: what the user sees and answers.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace platform {

namespace mb {
inline constexpr std::uint32_t ok = 0x0;
inline constexpr std::uint32_t okCancel = 0x1;
inline constexpr std::uint32_t yesNo = 0x4;
inline constexpr std::uint32_t iconError = 0x10;
inline constexpr std::uint32_t iconQuestion = 0x20;
inline constexpr std::uint32_t iconWarning = 0x30;
inline constexpr std::uint32_t iconInformation = 0x40;
inline constexpr std::uint32_t taskModal = 0x2000;
inline constexpr std::uint32_t topMost = 0x40000;
inline constexpr std::uint32_t setForeground = 0x10000;

// Answers.
inline constexpr int idOk = 1;
inline constexpr int idCancel = 2;
inline constexpr int idYes = 6;
inline constexpr int idNo = 7;
}  // namespace mb

class Desktop {
public:
    virtual ~Desktop() = default;

    /// MessageBoxW: the button pressed, or 0 with `error` set when no box could be shown.
    virtual int messageBox(Window owner, std::string_view text, std::string_view caption, std::uint32_t type,
                           ErrorCode& error) = 0;
    /// InitCommonControlsEx with the Windows 95 control classes; false when it fails.
    virtual bool initCommonControls() = 0;
};

}  // namespace platform
