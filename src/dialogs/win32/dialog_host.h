// The dialog foundation of the view layer: a classic dialog from a resource template whose messages
// are handed to a neutral dialog handler, with the dialog itself as the handler's view.
#pragma once

#include <windows.h>

#include "platform/dialog.h"

namespace dialogs::win32 {

/// The property of every dialog's window that names its template, so that tools find a dialog
/// whatever language its title is in.
inline constexpr const wchar_t* templateProperty = L"ZarnDialogId";

/// DialogBoxIndirectParamW over the template in the language asked for (English, then the first
/// copy found, standing in): the result the dialog ended with, or -1 with `error` set.
INT_PTR runModal(const platform::DialogTemplate& dialog, HWND owner, platform::DialogHandler& handler, DWORD& error);
/// CreateDialogIndirectParamW: the new dialog, or null with `error` set.
HWND createModeless(const platform::DialogTemplate& dialog, HWND owner, platform::DialogHandler& handler, DWORD& error);
/// Dispatches the calling thread's messages, with the dialog's keyboard handling, until `window`
/// has been destroyed. A WM_QUIT met meanwhile is posted again for the caller's own loop.
void runMessageLoop(HWND window);
/// Destroys a modeless dialog: at once on its own thread, otherwise by asking that thread to.
DWORD destroy(HWND window);

}  // namespace dialogs::win32
