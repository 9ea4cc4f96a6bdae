// The desktop port: user32 message boxes and common controls. Dialogs join it through their view
// interfaces.
#include "platform/win32/win32_ports.h"

#include <commctrl.h>

namespace platform::win32 {

int Win32Desktop::messageBox(Window owner, std::string_view text, std::string_view caption, std::uint32_t type,
                             ErrorCode& error) {
    int answer = 0;
    error = guarded([&] {
        answer = MessageBoxW(toWin(owner), widen(text).c_str(), widen(caption).c_str(), type);
        return answer == 0 ? lastError() : err::success;
    });
    return answer;
}

bool Win32Desktop::initCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    return InitCommonControlsEx(&controls) != FALSE;
}

}  // namespace platform::win32
